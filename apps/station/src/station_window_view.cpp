// What the station window shows of the station: the job header (built here
// too), the tiles, the totals, the options, the lock and the title.
#include "station_window.hpp"

#include "line_options.hpp"

#include "slot_tile.hpp"
#include "tile_grid.hpp"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace plx71::station {

namespace {

// The fields of the job header, in their order.
QStringList headerNames()
{
    return {QStringLiteral("Project"),           QStringLiteral("Device"),       QStringLiteral("User ROM checksum"),
            QStringLiteral("Boot ROM checksum"), QStringLiteral("Data SHA-256"), QStringLiteral("Blocks"),
            QStringLiteral("Lock bits"),         QStringLiteral("Read-back"),    QStringLiteral("Skip blank")};
}

} // namespace

QWidget* StationWindow::buildHeader()
{
    auto* box = new QGroupBox(QStringLiteral("Job"), this);
    auto* form = new QGridLayout(box);
    const QStringList names = headerNames();
    const QStringList objects = {
        QStringLiteral("projectName"),     QStringLiteral("deviceName"), QStringLiteral("userRomChecksum"),
        QStringLiteral("bootRomChecksum"), QStringLiteral("dataSha256"), QStringLiteral("operationBlocks"),
        QStringLiteral("lockBits"),        QStringLiteral("readBack"),   QStringLiteral("skipBlank")};
    for (int i = 0; i < names.size(); ++i) {
        auto* name = new QLabel(names[i] + QLatin1Char(':'), box);
        auto* value = new QLabel(QStringLiteral("-"), box);
        value->setObjectName(objects[i]);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
        name->setBuddy(value);
        form->addWidget(name, i % 3, (i / 3) * 2);
        form->addWidget(value, i % 3, (i / 3) * 2 + 1);
        headerValues_.push_back(value);
    }
    return box;
}

void StationWindow::showHeader()
{
    JobHeader h;
    if (station_->project())
        h = headerOf(*station_->project());
    const auto dash = [](const QString& s) { return s.isEmpty() ? QStringLiteral("-") : s; };
    const auto onOff = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    const StationSettings& s = station_->settings();
    const QStringList values = {dash(h.fileName),        dash(h.device),    dash(h.userRomChecksum),
                                dash(h.bootRomChecksum), dash(h.dataSha),   dash(h.blocks),
                                dash(h.lockBits),        onOff(s.readBack), onOff(s.skipBlank)};
    // A screen reader reads the value with its field's name.
    const QStringList names = headerNames();
    for (std::size_t i = 0; i < headerValues_.size(); ++i) {
        headerValues_[i]->setText(values[int(i)]);
        headerValues_[i]->setAccessibleName(names[int(i)] + QStringLiteral(": ") + values[int(i)]);
    }
}

void StationWindow::showTotals()
{
    const JobTotals& t = station_->totals();
    const StationRecord& r = station_->record();
    totals_->setText(QStringLiteral("This session: %1 passed, %2 failed, %3 cancelled \u00b7 %4")
                         .arg(t.passed)
                         .arg(t.failed)
                         .arg(t.cancelled)
                         .arg(r.empty() ? QStringLiteral("no record file") : QStringLiteral("record ") + r.path));
}

void StationWindow::showSettings()
{
    const StationSettings& s = station_->settings();
    const std::pair<QCheckBox*, bool> boxes[] = {
        {readBack_, s.readBack}, {skipBlank_, s.skipBlank}, {recover_, s.recover}, {beep_, s.beep}};
    for (const auto& [box, on] : boxes) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }
    lineOptions_->show(s);
    showHeader();
}

void StationWindow::showAutoMode()
{
    const QSignalBlocker quiet(auto_);
    auto_->setChecked(station_->autoMode());
    autoQuestion_->setVisible(station_->autoModeAsked());
}

void StationWindow::showTiles()
{
    tiles_->setCount(station_->slotCount(), [this] {
        auto* tile = new SlotTile;
        connect(tile, &SlotTile::startClicked, this, [this, tile] { station_->startSlot(tiles_->indexOf(tile)); });
        connect(tile, &SlotTile::checkClicked, this, [this, tile] { station_->checkSlot(tiles_->indexOf(tile)); });
        connect(tile, &SlotTile::removeClicked, this, [this, tile] { station_->removeSlot(tiles_->indexOf(tile)); });
        connect(tile, &SlotTile::labelEdited, this,
                [this, tile](const QString& label) { station_->setSlotLabel(tiles_->indexOf(tile), label); });
        return tile;
    });
    for (int i = 0; i < tiles_->count(); ++i)
        showTile(i);
    showTitle();
}

void StationWindow::showTile(int index)
{
    if (index >= 0 && index < tiles_->count())
        tiles_->tile(index)->draw(station_->slot(index), index + 1, !station_->locked());
}

void StationWindow::showLockState()
{
    const bool editable = !station_->locked();
    for (QWidget* w : lockable_)
        w->setEnabled(editable);
    for (int i = 0; i < tiles_->count(); ++i)
        showTile(i);
    lockButton_->setText(editable ? QStringLiteral("Lock") : QStringLiteral("Unlock"));
    lockButton_->setAccessibleDescription(editable ? QStringLiteral("makes project, slots and options read-only")
                                                   : QStringLiteral("locked: asks for the password to unlock"));
    showTitle();
}

void StationWindow::showTitle()
{
    QString title = QString::fromLatin1(kStationTitle);
    if (station_->project())
        title += QStringLiteral(" - ") + QFileInfo(station_->project()->path).fileName();
    if (const int failed = station_->failedCount(); failed > 0)
        title += QStringLiteral(" - %1 failed").arg(failed);
    if (station_->locked())
        title += QStringLiteral(" [locked]");
    setWindowTitle(title);
}

} // namespace plx71::station
