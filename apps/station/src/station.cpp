#include "station.hpp"

#include "station_file_slots.hpp"
#include "station_line.hpp"

#include "plx71/devices/table_lookup.hpp"
#include "plx71/files/executable_path.hpp"
#include "plx71/files/file_replace.hpp"
#include "plx71/files/regular_file.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/port/port_catalog.hpp"
#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

#include <QFileInfo>

namespace plx71::station {

namespace {

QString deviceTableFile(const QString& given)
{
    if (!given.isEmpty())
        return given;
    if (!qEnvironmentVariableIsEmpty(kDeviceTableVariable))
        return qEnvironmentVariable(kDeviceTableVariable);
    return qtui::fromPath(locateDeviceTable(currentExecutablePath()));
}

std::string utf8(const QString& path)
{
    return utf8FromPath(qtui::toPath(path));
}

} // namespace

Station::Station(StationConfig config, Ui& ui, QObject* parent) : QObject(parent), config_(std::move(config)), ui_(ui)
{
    store_ = config_.settingsFile.isEmpty() ? std::make_unique<QSettings>()
                                            : std::make_unique<QSettings>(config_.settingsFile, QSettings::IniFormat);
    lock_ = std::make_unique<OperatorLock>(*store_, config_.lockIterations);
    const QString tablePath = deviceTableFile(config_.deviceTablePath);
    if (auto table = loadDeviceTable(qtui::toPath(tablePath))) {
        table_ = std::move(*table);
        ready_ = true;
    } else {
        ui_.messageWithDetail(Icon::Stop, std::string(msg::kDeviceTableNotFound),
                              tablePath.toStdString() + ": missing, unreadable or without a usable record");
    }
    if (auto station = plx71::loadStationFile(); station.station)
        userStation_ = std::move(*station.station);
    else
        ui_.message(Icon::Exclamation, station.error + "\nStation port names cannot be used until it is mended.");
    presenceTimer_.setInterval(std::max(500, config_.presencePollMs));
    connect(&presenceTimer_, &QTimer::timeout, this, &Station::pollPresence);
    line_ = std::make_unique<StationLine>(*this);
    for (auto change : {&Station::slotChanged, &Station::slotProgress})
        connect(this, change, line_.get(), [this] { line_->postStatus(); });
    for (auto change : {&Station::slotsChanged, &Station::projectChanged})
        connect(this, change, line_.get(), [this] { line_->postStatus(); });
    connect(this, &Station::slotEnded, line_.get(), [this] { line_->shipSoon(); });
}

Station::~Station()
{
    for (auto& slot : slots_)
        slot->runner->cancel();
    // The slots' ends may still post their status; the line goes first.
    line_.reset();
}

void Station::apply(const StationArgs& args)
{
    // What the command line names replaces what was kept. A lock refuses
    // all of it alike. Nothing can start before all of it is in: the record
    // file above all.
    const QStringList refused = locked() ? changesOf(args) : QStringList();
    const bool take = args.anyGiven && refused.isEmpty();
    const bool takeProject = take && !args.project.isEmpty();
    const bool takeSlots = take && (!args.slotConfigs.empty() || !args.stationFile.isEmpty());
    restoring_ = true;
    const bool lastAuto = restoreSession(!takeProject, !takeSlots);
    if (!refused.isEmpty())
        ui_.message(Icon::Exclamation, lockedCommandLineMessage(refused));
    // A record file the command line named and that cannot be used starts nothing.
    const bool recordTaken = !take || applyCommandLine(args);
    refreshPresence(false);
    presenceTimer_.start();
    // Auto mode starts off: opening the window programs nothing. When it was
    // on last time, the operator is asked; --auto is that answer.
    const bool autoOn = take && args.autoMode && recordTaken;
    autoAsked_ = lastAuto && !autoOn;
    changeAutoMode(autoOn);
    restoring_ = false;
    line_->configure();
}

bool Station::applyCommandLine(const StationArgs& args)
{
    if (!args.project.isEmpty()) {
        project_.reset();
        openProject(args.project);
    }
    if (!args.slotConfigs.empty() || !args.stationFile.isEmpty()) {
        while (!slots_.empty() && !anyRunning())
            removeSlot(0);
        for (const SlotConfig& slot : args.slotConfigs)
            addSlot(slot);
        if (!args.stationFile.isEmpty())
            loadStationFile(args.stationFile);
    }
    StationSettings s = settings_;
    s.lineUrl = args.lineUrl.value_or(s.lineUrl);
    s.lineTokenFile = args.lineTokenFile.value_or(s.lineTokenFile);
    s.stationName = args.stationName.value_or(s.stationName);
    s.onlyReleased = s.onlyReleased || args.onlyReleased;
    setSettings(s);
    return args.recordFile.isEmpty() || setRecordFile(args.recordFile);
}

void Station::saveSession()
{
    store_->setValue(QStringLiteral("project"), project_ ? project_->path : QString());
    store_->beginWriteArray(QStringLiteral("slots"), int(slots_.size()));
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        store_->setArrayIndex(int(i));
        store_->setValue(QStringLiteral("port"), slots_[i]->config.spec);
        store_->setValue(QStringLiteral("label"), slots_[i]->config.label);
    }
    store_->endArray();
    store_->setValue(QStringLiteral("record"), record_.path);
    store_->setValue(QStringLiteral("auto"), autoMode_ || autoAsked_);
    settings_.save(*store_);
    store_->sync();
}

bool Station::restoreSession(bool project, bool slotList)
{
    setSettings(StationSettings::load(*store_));
    record_.path = store_->value(QStringLiteral("record")).toString();
    emit recordChanged();
    const QString last = store_->value(QStringLiteral("project")).toString();
    if (project && !last.isEmpty())
        openProject(last);
    const int count = store_->beginReadArray(QStringLiteral("slots"));
    std::vector<SlotConfig> saved;
    for (int i = 0; i < count; ++i) {
        store_->setArrayIndex(i);
        saved.push_back(
            {store_->value(QStringLiteral("port")).toString(), store_->value(QStringLiteral("label")).toString()});
    }
    store_->endArray();
    for (std::size_t i = 0; slotList && i < saved.size(); ++i)
        addSlot(saved[i]);
    return store_->value(QStringLiteral("auto"), false).toBool();
}

bool Station::openProject(const QString& path)
{
    if (!editable())
        return false;
    if (anyRunning()) {
        ui_.message(Icon::Exclamation, "Jobs are running: the project can be changed once every box has ended.");
        return false;
    }
    auto opened = openStationProject(ui_, table_, path);
    if (opened)
        project_ = std::move(opened);
    emit projectChanged();
    return project_ && project_->path == QFileInfo(path).absoluteFilePath();
}

bool Station::loadStationFile(const QString& path)
{
    if (!editable())
        return false;
    const FileRead read = readRegularFile(qtui::toPath(path), 1 << 20);
    StationFileResult parsed;
    if (read.status == FileStatus::Ok && !read.truncated)
        parsed = parseStationFile(read.bytes, utf8(path));
    else
        parsed.error = utf8(path) + ": cannot be read (a station file is a text file of 'port NAME = PORT' lines)";
    if (!parsed.station) {
        ui_.message(Icon::Stop, parsed.error + "\nNo slot was changed.");
        return false;
    }
    while (!slots_.empty() && !anyRunning())
        removeSlot(0);
    for (const SlotConfig& slot : slotsOfStation(*parsed.station))
        addSlot(slot);
    refreshPresence(false); // auto mode's next poll serves them
    return true;
}

bool Station::saveStationFile(const QString& path)
{
    std::vector<SlotConfig> configs;
    for (const auto& slot : slots_)
        configs.push_back(slot->config);
    if (!replaceFile(qtui::toPath(path), stationFileText(configs))) {
        ui_.message(Icon::Stop, msg::cannotWriteFile(utf8(path)));
        return false;
    }
    return true;
}

bool Station::setRecordFile(const QString& path)
{
    if (!editable())
        return false;
    const StationRecord candidate{path};
    if (!candidate.writable()) {
        ui_.message(Icon::Stop,
                    msg::cannotWriteFile(utf8(path))
                        + "\nChoose a record file in a folder you may write to; the record was not "
                          "changed.");
        return false;
    }
    record_.path = path;
    emit recordChanged();
    if (!restoring_)
        line_->configure();
    return true;
}

void Station::setSettings(const StationSettings& settings)
{
    if (!editable())
        return;
    settings_ = settings;
    emit settingsChanged();
    if (!restoring_ && line_)
        line_->configure();
}

void Station::setAutoMode(bool on)
{
    if (!editable())
        return;
    autoAsked_ = false;
    changeAutoMode(on);
}

void Station::answerAutoModeQuestion(bool turnOn)
{
    if (!autoAsked_)
        return;
    // Turning on what the last session had is no change a lock guards.
    autoAsked_ = false;
    if (turnOn)
        changeAutoMode(true);
    else
        emit autoModeChanged(autoMode_);
}

void Station::changeAutoMode(bool on)
{
    autoMode_ = on;
    emit autoModeChanged(on);
    if (on)
        pollPresence();
}

bool Station::lock(const QString& password)
{
    if (!lock_->lock(password))
        return false;
    saveSession();
    emit lockChanged();
    return true;
}

bool Station::unlock(const QString& password)
{
    const bool opened = lock_->unlock(password);
    emit lockChanged();
    return opened;
}

} // namespace plx71::station
