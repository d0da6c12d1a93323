// The jobs of the station window: Start all, Start on a tile, Cancel all,
// Retry failed, auto mode, and what a box's end changes on the window.
#include "station_window.hpp"

#include "slot_tile.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>

namespace plx71::station {

SlotState StationWindow::slotState(int index) const
{
    return index >= 0 && index < slotCount() ? slots_[std::size_t(index)]->state : SlotState::Idle;
}

bool StationWindow::anyRunning() const
{
    for (const auto& slot : slots_) {
        if (slot->runner->running())
            return true;
    }
    return false;
}

void StationWindow::setSlotState(Slot& slot, SlotState state)
{
    slot.state = state;
    slot.tile->setState(state);
    refreshTitle();
}

// A record file that cannot take the line is found before any box is
// touched, not after it has been programmed.
bool StationWindow::checkRecordFile()
{
    if (recordPath_.isEmpty() || productionRecordCanBeAppended(utf8FromPath(qtui::toPath(recordPath_))))
        return true;
    ui_->message(Icon::Stop,
                 msg::cannotWriteFile(utf8FromPath(qtui::toPath(recordPath_)))
                     + "\nNothing was sent. Make the file writable or choose another record file.");
    return false;
}

bool StationWindow::startable(int index)
{
    Slot& slot = *slots_[std::size_t(index)];
    if (slot.runner->running())
        return false;
    QString problem;
    const auto port = resolveSlot(slot.config, &problem);
    slot.present = port && present(*port);
    if (!slot.present) {
        setSlotState(slot, SlotState::NoBox);
        slot.tile->setLastJob(QStringLiteral("-"), QString(), problem);
        return false;
    }
    // Never two jobs on one device: a running slot on it refuses this one.
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (int(i) == index || !slots_[i]->runner->running())
            continue;
        const auto other = resolveSlot(slots_[i]->config);
        const std::vector<PortChoice> pair{*port, other.value_or(PortChoice{})};
        if (other && duplicatePorts(pair)) {
            ui_->message(Icon::Stop,
                         QStringLiteral("Slot %1 and slot %2 are the same device (%3); nothing sent to "
                                        "slot %1. Give each slot its own port.")
                             .arg(index + 1)
                             .arg(i + 1)
                             .arg(QString::fromStdString(port->deviceName()))
                             .toStdString());
            return false;
        }
    }
    SlotJob job;
    job.project = project_;
    job.port = *port;
    job.options = DownloadOptions{readBack_->isChecked(), skipBlank_->isChecked()};
    job.recover = recover_->isChecked();
    job.slotNumber = index + 1;
    job.label = slot.config.label;
    job.recordPath = recordPath_.isEmpty() ? std::string() : utf8FromPath(qtui::toPath(recordPath_));
    job.timing = options_.timing;
    if (!slot.runner->start(std::move(job)))
        return false;
    setSlotState(slot, SlotState::Running);
    return true;
}

void StationWindow::startSlot(int index)
{
    if (index < 0 || index >= slotCount())
        return;
    if (!project_) {
        ui_->message(Icon::Exclamation, "Open a project first: nothing was sent.");
        return;
    }
    if (checkRecordFile())
        startable(index);
}

void StationWindow::startAll()
{
    if (!project_) {
        ui_->message(Icon::Exclamation, "Open a project first: nothing was sent.");
        return;
    }
    if (!checkRecordFile())
        return;
    for (int i = 0; i < slotCount(); ++i)
        startable(i);
}

void StationWindow::retryFailed()
{
    if (!project_ || !checkRecordFile())
        return;
    for (int i = 0; i < slotCount(); ++i) {
        if (slots_[std::size_t(i)]->state == SlotState::Failed)
            startable(i);
    }
}

void StationWindow::cancelAll()
{
    for (auto& slot : slots_)
        slot->runner->cancel();
}

void StationWindow::setAutoMode(bool on)
{
    if (auto_->isChecked() != on)
        auto_->setChecked(on); // comes back here through toggled
    else if (on)
        pollPresence();
}

void StationWindow::onSlotEnded(Slot& slot, const SlotEnd& end)
{
    const SlotState state = stateAfter(end.outcome);
    if (state == SlotState::Verified)
        ++slot.passed;
    else if (state == SlotState::Failed)
        ++slot.failed;
    if (!recordPath_.isEmpty() && end.outcome.kind != OutcomeClass::OutputNotWritten)
        ++(end.outcome.ok() ? recordPassed_ : recordFailed_);
    slot.tile->setCounters(slot.passed, slot.failed);
    setSlotState(slot, state);
    const QString when = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))
        + QStringLiteral(" (%1 s)").arg(double(end.outcome.duration.count()) / 1000.0, 0, 'f', 1);
    slot.tile->setLastJob(
        when, end.outcome.ok() ? QString() : QString::fromLatin1(outcomeClassName(end.outcome.kind).data()), end.cause,
        end.outcome.recovery && end.outcome.linkRate > 0 ? QString::fromStdString(finishedLine(end.outcome))
                                                         : QString());
    if (state == SlotState::Failed && beep_->isChecked())
        QApplication::beep();
    showHeader();
    maybeCloseAfterCancel();
}

void StationWindow::pollPresence()
{
    const bool autoStart = auto_->isChecked() && project_ && !closePending_;
    bool recordChecked = false;
    for (int i = 0; i < slotCount(); ++i) {
        Slot& slot = *slots_[std::size_t(i)];
        if (slot.runner->running())
            continue;
        const auto port = resolveSlot(slot.config);
        const bool now = port && present(*port);
        if (!now) {
            slot.served = false;
            if (slot.state != SlotState::NoBox)
                setSlotState(slot, SlotState::NoBox);
        } else if (slot.state == SlotState::NoBox) {
            setSlotState(slot, SlotState::Idle);
        }
        slot.present = now;
        // Once per appearance: a box that stays plugged in waits until it has
        // been away.
        if (now && autoStart && !slot.served) {
            if (!recordChecked && !checkRecordFile()) {
                auto_->setChecked(false);
                return;
            }
            recordChecked = true;
            slot.served = startable(i);
        }
    }
}

} // namespace plx71::station
