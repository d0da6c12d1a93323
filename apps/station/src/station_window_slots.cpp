// The slots of the station window: adding and removing them, where their
// ports are, starting and ending their jobs.
#include "station_window.hpp"

#include "slot_tile.hpp"

#include "plx71/files/file_replace.hpp"
#include "plx71/files/regular_file.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/port/port_catalog.hpp"
#include "plx71/port/port_resolver.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>

namespace plx71::station {

namespace {

constexpr int kTileColumns = 4;

std::string utf8(const QString& path)
{
    return utf8FromPath(qtui::toPath(path));
}

// A port as `plx71 ports` heads it: path, USB identity, driver, names.
QString portLine(const SerialDevice& d)
{
    QString line = QString::fromStdString(d.stableName());
    QString about = QString::fromStdString(d.path);
    if (!d.vendorId.empty())
        about += QStringLiteral("  ") + QString::fromStdString(d.usbName());
    if (!d.driver.empty())
        about += QStringLiteral("  ") + QString::fromStdString(d.driver);
    if (!d.friendlyName.empty())
        about += QStringLiteral("  ") + QString::fromStdString(d.friendlyName);
    return line + QStringLiteral("    (") + about + QLatin1Char(')');
}

} // namespace

void StationWindow::apply(const StationArgs& args)
{
    // What the command line names replaces what was kept; a lock keeps it.
    const bool takeProject = !args.project.isEmpty() && !locked();
    const bool takeSlots = (!args.slotConfigs.empty() || !args.stationFile.isEmpty()) && !locked();
    restoreSession(!takeProject, !takeSlots);
    if (args.anyGiven)
        applyCommandLine(args);
    showHeader();
    refreshLockState();
    pollPresence();
}

void StationWindow::applyCommandLine(const StationArgs& args)
{
    const bool changesJob = !args.project.isEmpty() || !args.slotConfigs.empty() || !args.stationFile.isEmpty();
    if (locked() && changesJob) {
        ui_->message(Icon::Exclamation,
                     "The station is locked: the project and slots of the command line are not "
                     "used. Unlock it in the window to change them.");
    } else if (changesJob) {
        if (!args.project.isEmpty()) {
            project_.reset();
            openProjectFile(args.project);
        }
        if (!args.slotConfigs.empty() || !args.stationFile.isEmpty()) {
            while (!slots_.empty() && !anyRunning())
                removeSlot(0);
            for (const SlotConfig& slot : args.slotConfigs)
                addSlot(slot);
            if (!args.stationFile.isEmpty())
                loadStationFile(args.stationFile);
        }
    }
    if (!args.recordFile.isEmpty())
        setRecordFile(args.recordFile);
    if (args.autoMode)
        auto_->setChecked(true);
}

void StationWindow::saveSession()
{
    settings_->setValue(QStringLiteral("project"), project_ ? project_->path : QString());
    settings_->beginWriteArray(QStringLiteral("slots"), int(slots_.size()));
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        settings_->setArrayIndex(int(i));
        settings_->setValue(QStringLiteral("port"), slots_[i]->config.spec);
        settings_->setValue(QStringLiteral("label"), slots_[i]->config.label);
    }
    settings_->endArray();
    settings_->setValue(QStringLiteral("record"), recordPath_);
    settings_->setValue(QStringLiteral("auto"), auto_->isChecked());
    settings_->setValue(QStringLiteral("readBack"), readBack_->isChecked());
    settings_->setValue(QStringLiteral("skipBlank"), skipBlank_->isChecked());
    settings_->setValue(QStringLiteral("recover"), recover_->isChecked());
    settings_->setValue(QStringLiteral("beep"), beep_->isChecked());
    settings_->sync();
}

void StationWindow::restoreSession(bool project, bool slotList)
{
    readBack_->setChecked(settings_->value(QStringLiteral("readBack"), true).toBool());
    skipBlank_->setChecked(settings_->value(QStringLiteral("skipBlank"), false).toBool());
    recover_->setChecked(settings_->value(QStringLiteral("recover"), true).toBool());
    beep_->setChecked(settings_->value(QStringLiteral("beep"), false).toBool());
    recordPath_ = settings_->value(QStringLiteral("record")).toString();
    const QString last = settings_->value(QStringLiteral("project")).toString();
    if (project && !last.isEmpty())
        openProjectFile(last);
    const int count = settings_->beginReadArray(QStringLiteral("slots"));
    std::vector<SlotConfig> saved;
    for (int i = 0; i < count; ++i) {
        settings_->setArrayIndex(i);
        saved.push_back({settings_->value(QStringLiteral("port")).toString(),
                         settings_->value(QStringLiteral("label")).toString()});
    }
    settings_->endArray();
    for (std::size_t i = 0; slotList && i < saved.size(); ++i)
        addSlot(saved[i]);
    auto_->setChecked(settings_->value(QStringLiteral("auto"), false).toBool());
}

bool StationWindow::openProjectFile(const QString& path)
{
    if (anyRunning()) {
        ui_->message(Icon::Exclamation, "Jobs are running: the project can be changed once every box has ended.");
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto opened = openStationProject(*ui_, table_, path);
    QApplication::restoreOverrideCursor();
    if (opened)
        project_ = std::move(opened);
    showHeader();
    refreshTitle();
    return project_ && project_->path == QFileInfo(path).absoluteFilePath();
}

PortCatalog& StationWindow::catalog()
{
    if (!catalog_ || catalogAge_.elapsed() > 200) {
        catalog_ = std::make_unique<PortCatalog>(systemRoot());
        catalogAge_.start();
    }
    return *catalog_;
}

std::optional<PortChoice> StationWindow::resolveSlot(const SlotConfig& config, QString* problem,
                                                     PortResolveError* error)
{
    PortResolver resolver(catalog(), userStation_);
    PortResolution r = resolver.resolve(config.spec.toStdString());
    if (error)
        *error = r.error;
    if (!r.port) {
        if (problem)
            *problem = QString::fromStdString(r.message);
        return std::nullopt;
    }
    r.port->given = config.spec.toStdString();
    return r.port;
}

bool StationWindow::present(const PortChoice& port)
{
    if (!catalog().describe(port.deviceName()).canonical.empty())
        return true;
#ifdef _WIN32
    // Without the system's serial-port map nothing can be told: try the port.
    return catalog().devices().empty();
#else
    return false;
#endif
}

bool StationWindow::addSlot(const SlotConfig& config)
{
    // A port that is not there now is a slot waiting for its box; a spec that
    // can never name one (malformed, ambiguous) is refused.
    QString problem;
    PortResolveError error = PortResolveError::None;
    const auto port = resolveSlot(config, &problem, &error);
    if (!port && error != PortResolveError::NotFound) {
        ui_->message(Icon::Stop, "Slot " + config.spec.toStdString() + " cannot be added: " + problem.toStdString());
        return false;
    }
    if (port) {
        std::vector<PortChoice> ports{*port};
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            const auto other = resolveSlot(slots_[i]->config);
            if (!other)
                continue;
            ports.push_back(*other);
            if (duplicatePorts(ports)) {
                ui_->message(Icon::Stop,
                             QStringLiteral("%1 and slot %2 (%3) are the same device (%4); the slot is "
                                            "not added. Give each slot its own port.")
                                 .arg(config.spec)
                                 .arg(i + 1)
                                 .arg(slots_[i]->config.spec, QString::fromStdString(port->deviceName()))
                                 .toStdString());
                return false;
            }
            ports.pop_back();
        }
    }
    auto slot = std::make_unique<Slot>();
    slot->config = config;
    slot->runner = std::make_unique<SlotRunner>();
    slot->tile = new SlotTile(int(slots_.size()) + 1, config, tileArea_);
    QString identity = config.spec;
    if (port && port->recordName() != config.spec.toStdString())
        identity += QStringLiteral("\n") + QString::fromStdString(port->recordName());
    slot->tile->setPortIdentity(identity);
    Slot* raw = slot.get();
    raw->runner->onProgress = [raw](ProgressPhase phase, int done, int total) {
        raw->tile->setProgress(phase, done, total);
    };
    raw->runner->onEnded = [this, raw](const SlotEnd& end) { onSlotEnded(*raw, end); };
    connect(raw->tile->startButton(), &QPushButton::clicked, this, [this, raw] { startSlot(indexOf(raw->tile)); });
    connect(raw->tile->removeButton(), &QPushButton::clicked, this, [this, raw] { removeSlot(indexOf(raw->tile)); });
    connect(raw->tile, &SlotTile::labelEdited, this, [raw](const QString& label) { raw->config.label = label; });
    slots_.push_back(std::move(slot));
    raw->present = port && present(*port);
    setSlotState(*raw, raw->present ? SlotState::Idle : SlotState::NoBox);
    raw->tile->setEditable(!locked());
    relayoutTiles();
    return true;
}

void StationWindow::removeSlot(int index)
{
    if (index < 0 || index >= slotCount() || slots_[std::size_t(index)]->runner->running())
        return;
    slots_[std::size_t(index)]->tile->deleteLater();
    slots_.erase(slots_.begin() + index);
    for (std::size_t i = 0; i < slots_.size(); ++i)
        slots_[i]->tile->setNumber(int(i) + 1);
    relayoutTiles();
    refreshTitle();
}

void StationWindow::relayoutTiles()
{
    for (std::size_t i = 0; i < slots_.size(); ++i)
        tiles_->addWidget(slots_[i]->tile, int(i) / kTileColumns, int(i) % kTileColumns);
}

int StationWindow::indexOf(const SlotTile* tile) const
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i]->tile == tile)
            return int(i);
    }
    return -1;
}

void StationWindow::chooseAndAddSlot()
{
    catalog_.reset(); // the ports present now
    QStringList items;
    for (const SerialDevice& d : catalog().devices())
        items << portLine(d);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        this, QStringLiteral("Add slot"), QStringLiteral("Port (as plx71 --port takes it):"), items, 0, true, &ok);
    const QString spec = chosen.section(QStringLiteral("    ("), 0, 0).trimmed();
    if (!ok || spec.isEmpty())
        return;
    const QString label = QInputDialog::getText(this, QStringLiteral("Add slot"), QStringLiteral("Label:"),
                                                QLineEdit::Normal, QString(), &ok);
    if (ok)
        addSlot({spec, label});
}

bool StationWindow::loadStationFile(const QString& path)
{
    const FileRead read = readRegularFile(qtui::toPath(path), 1 << 20);
    StationFileResult parsed;
    if (read.status == FileStatus::Ok && !read.truncated)
        parsed = parseStationFile(read.bytes, utf8(path));
    else
        parsed.error = utf8(path) + ": cannot be read (a station file is a text file of 'port NAME = PORT' lines)";
    if (!parsed.station) {
        ui_->message(Icon::Stop, parsed.error + "\nNo slot was changed.");
        return false;
    }
    while (!slots_.empty() && !anyRunning())
        removeSlot(0);
    for (const SlotConfig& slot : slotsOfStation(*parsed.station))
        addSlot(slot);
    pollPresence();
    return true;
}

bool StationWindow::saveStationFile(const QString& path)
{
    std::vector<SlotConfig> configs;
    for (const auto& slot : slots_)
        configs.push_back(slot->config);
    if (!replaceFile(qtui::toPath(path), stationFileText(configs))) {
        ui_->message(Icon::Stop, msg::cannotWriteFile(utf8(path)));
        return false;
    }
    return true;
}

bool StationWindow::setRecordFile(const QString& path)
{
    if (!productionRecordCanBeAppended(utf8(path))) {
        ui_->message(Icon::Stop,
                     msg::cannotWriteFile(utf8(path))
                         + "\nChoose a record file in a folder you may write to; the record was not "
                           "changed.");
        return false;
    }
    recordPath_ = path;
    showHeader();
    return true;
}

} // namespace plx71::station
