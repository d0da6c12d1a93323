// The station's jobs: Start all, Start on a slot, Cancel all, Retry failed,
// auto mode, and what a box's end changes (a check's too).
#include "station.hpp"

#include "auto_start.hpp"
#include "station_check.hpp"
#include "station_line.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/production_record/record_file.hpp"

#include <QDateTime>

namespace plx71::station {

int Station::runningCount() const
{
    int running = 0;
    for (const auto& slot : slots_)
        running += slot->running() ? 1 : 0;
    return running;
}

int Station::failedCount() const
{
    int failed = 0;
    for (const auto& slot : slots_)
        failed += slot->state == SlotState::Failed ? 1 : 0;
    return failed;
}

void Station::setSlotState(StationSlot& slot, SlotState state)
{
    slot.state = state;
    emit slotChanged(indexOf(slot));
}

// A record file that cannot take the line is found before any box is
// touched, not after it has been programmed.
bool Station::checkRecordFile()
{
    const std::string path = line_->recordPath();
    if (path.empty() || productionRecordCanBeAppended(path))
        return true;
    ui_.message(Icon::Stop,
                msg::cannotWriteFile(path)
                    + "\nNothing was sent. Make the file writable or choose another record file.");
    return false;
}

bool Station::checkProject()
{
    if (project_)
        return true;
    ui_.message(Icon::Exclamation, "Open a project first: nothing was sent.");
    return false;
}

// Never two jobs on one device: a running slot on it refuses this one.
bool Station::sameDeviceRunning(int index, const PortChoice& port)
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (int(i) == index || !slots_[i]->running())
            continue;
        const auto other = resolveSlot(slots_[i]->config);
        const std::vector<PortChoice> pair{port, other.value_or(PortChoice{})};
        if (other && duplicatePorts(pair)) {
            ui_.message(Icon::Stop,
                        QStringLiteral("Slot %1 and slot %2 are the same device (%3); nothing sent to "
                                       "slot %1. Give each slot its own port.")
                            .arg(index + 1)
                            .arg(i + 1)
                            .arg(QString::fromStdString(port.deviceName()))
                            .toStdString());
            return true;
        }
    }
    return false;
}

bool Station::startJob(int index, bool check)
{
    StationSlot& slot = *slots_[std::size_t(index)];
    if (slot.running())
        return false;
    QString problem;
    const auto port = resolveSlot(slot.config, &problem);
    slot.present = port && present(*port);
    if (!slot.present) {
        if (keepsResult(slot.state)) {
            emit slotChanged(index); // still Failed, now without its box
            return false;
        }
        slot.last = {SlotState::NoBox, QStringLiteral("-"), QString(), problem, QString()};
        setSlotState(slot, SlotState::NoBox);
        return false;
    }
    if (sameDeviceRunning(index, *port))
        return false;
    SlotJob job;
    job.project = project_;
    job.port = *port;
    job.options = DownloadOptions{settings_.readBack, settings_.skipBlank};
    job.recover = settings_.recover;
    job.slotNumber = index + 1;
    job.label = slot.config.label;
    job.recordPath = line_->recordPath();
    job.station = settings_.stationNameOrHost().toStdString();
    job.gate = line_->releaseGate(*project_);
    job.timing = config_.timing;
    job.check = check;
    if (!slot.runner->start(std::move(job)))
        return false;
    slot.progress = {};
    if (!check)
        slot.served = true; // this appearance of the box has had its job
    setSlotState(slot, SlotState::Running);
    return true;
}

void Station::startSlot(int index)
{
    if (index < 0 || index >= slotCount() || !checkProject())
        return;
    if (checkRecordFile())
        startJob(index);
}

void Station::startAll()
{
    if (!checkProject() || !checkRecordFile())
        return;
    for (int i = 0; i < slotCount(); ++i)
        startJob(i);
}

void Station::retryFailed()
{
    if (!project_ || !checkRecordFile())
        return;
    // Every Failed slot whose box is there now; one still away keeps its failure.
    for (int i = 0; i < slotCount(); ++i) {
        const StationSlot& slot = *slots_[std::size_t(i)];
        const auto port = slot.state == SlotState::Failed ? resolveSlot(slot.config) : std::nullopt;
        if (port && present(*port))
            startJob(i, slot.last.check);
    }
}

void Station::cancelAll()
{
    for (auto& slot : slots_)
        slot->runner->cancel();
}

void Station::onSlotProgress(StationSlot& slot, const SlotProgress& progress)
{
    slot.progress = progress;
    emit slotProgress(indexOf(slot));
}

void Station::onSlotEnded(StationSlot& slot, const SlotEnd& end)
{
    const SlotState state = end.check ? stateAfterCheck(end.outcome) : stateAfter(end.outcome);
    // A check programmed no unit: the counts stay as they are.
    if (!end.check) {
        if (state == SlotState::Verified)
            ++slot.counters.passed;
        else if (state == SlotState::Failed)
            ++slot.counters.failed;
        else if (state == SlotState::Cancelled)
            ++slot.counters.cancelled;
        totals_.count(state);
    }
    const QString when = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))
        + QStringLiteral(" (%1 s)").arg(double(end.outcome.duration.count()) / 1000.0, 0, 'f', 1);
    slot.last = {state, when,
                 end.outcome.ok() || end.refused ? QString()
                                                 : QString::fromLatin1(outcomeClassName(end.outcome.kind).data()),
                 end.check ? checkNote(end) : end.cause,
                 // Only a job that finished says what it took.
                 !end.check && end.outcome.ok() && end.outcome.recovery && end.outcome.linkRate > 0
                     ? QString::fromStdString(finishedLine(end.outcome))
                     : QString(),
                 end.check};
    setSlotState(slot, state);
    if ((state == SlotState::Failed || state == SlotState::Differs) && settings_.beep)
        emit beepWanted();
    emit recordChanged();
    emit slotEnded(indexOf(slot));
}

void Station::pollPresence()
{
    refreshPresence(autoMode_ && project_ && !closing_);
}

void Station::refreshPresence(bool autoStart)
{
    bool recordChecked = false;
    for (int i = 0; i < slotCount(); ++i) {
        StationSlot& slot = *slots_[std::size_t(i)];
        if (slot.running())
            continue;
        const auto port = resolveSlot(slot.config);
        const SlotState before = slot.state;
        const bool wasPresent = slot.present;
        const bool serve = notePresence(slot, port && present(*port));
        if (slot.state != before || slot.present != wasPresent)
            emit slotChanged(i);
        if (serve && autoStart) {
            if (!recordChecked && !checkRecordFile()) {
                changeAutoMode(false);
                return;
            }
            recordChecked = true;
            startJob(i);
        }
    }
}

} // namespace plx71::station
