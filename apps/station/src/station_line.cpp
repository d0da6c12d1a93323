#include "station_line.hpp"

#include "station.hpp"

#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

#include <QFileInfo>
#include <QMetaObject>

namespace plx71::station {

namespace {

std::string utf8Path(const QString& path)
{
    return path.isEmpty() ? std::string() : utf8FromPath(qtui::toPath(path));
}

std::string fileNameOf(const ProjectJob& project)
{
    return QFileInfo(project.path).fileName().toStdString();
}

// The device a slot names: the last line of its port identity (the port as
// given, then the device when it differs).
std::string portOf(const StationSlot& slot)
{
    return slot.portIdentity.section(QLatin1Char('\n'), -1).toStdString();
}

line::StatusTile tileOf(const StationSlot& slot, int number)
{
    line::StatusTile tile;
    tile.slot = number;
    tile.label = slot.config.label.toStdString();
    tile.port = portOf(slot);
    tile.state = stateWord(slot.state).toStdString();
    if (slot.state == SlotState::Running) {
        tile.phase = phaseText(slot.progress.phase).toStdString();
        if (slot.progress.total > 0)
            tile.percent = int(std::int64_t(slot.progress.done) * 100 / slot.progress.total);
    }
    tile.passed = std::uint64_t(slot.counters.passed);
    tile.failed = std::uint64_t(slot.counters.failed);
    tile.cancelled = std::uint64_t(slot.counters.cancelled);
    return tile;
}

} // namespace

StationLine::StationLine(Station& station) : QObject(nullptr), station_(station) {}

StationLine::~StationLine()
{
    stopShipping();
}

void StationLine::stopShipping()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::string StationLine::recordPath() const
{
    if (!station_.record().empty())
        return station_.record().utf8Path();
    return station_.settings().lineUrl.trimmed().isEmpty() ? std::string() : line::defaultRecordFile();
}

void StationLine::configure()
{
    const StationSettings& s = station_.settings();
    const std::string url = s.lineUrl.trimmed().toStdString();
    const std::string name = s.stationNameOrHost().toStdString();
    const std::string tokenFile = utf8Path(s.lineTokenFile);
    const std::string record = recordPath();
    const std::string key = url + '\n' + tokenFile + '\n' + name + '\n' + record;
    if (key == configured_)
        return; // another option changed: the line goes on as it is
    configured_ = key;
    if (poster_) {
        const std::lock_guard lock(mutex_);
        retired_.push_back(std::move(poster_));
    }
    releases_.reset();
    shipper_.reset();
    const auto parsed = url.empty() ? std::nullopt : line::parseLineUrl(url);
    const std::string token = parsed ? line::readTokenFile(tokenFile) : std::string();
    if (!url.empty())
        shipper_ = std::make_shared<line::Shipper>(
            line::ShipperSettings{url, tokenFile, record, name, std::chrono::milliseconds(5000), {}});
    if (parsed && !token.empty()) {
        releases_ = std::make_shared<line::ReleaseCheck>(line::LineCall{*parsed, token, {}});
        poster_ = std::make_unique<line::StatusPoster>(*parsed, token, name);
    }
    statusText_.clear();
    backlog_.reset();
    {
        const std::lock_guard lock(mutex_);
        shipping_ = shipper_;
        ++generation_;
        shipWanted_ = shipper_ != nullptr; // the first pass says how the line stands
    }
    if (!thread_.joinable() && (shipper_ || !retired_.empty()))
        thread_ = std::thread([this] { runShipping(); });
    wake_.notify_all();
    emit statusChanged();
    postStatus();
}

std::function<std::string()> StationLine::releaseGate(const ProjectJob& project) const
{
    if (!station_.settings().onlyReleased)
        return {};
    // No line server, or no token to ask it with: nothing can be released.
    return [check = releases_, digest = project.facts.jobDigest,
            refusal = line::notReleasedText(project.facts.jobDigest, fileNameOf(project))] {
        const bool released = check && check->ask(digest).answer == line::ReleaseAnswer::Released;
        return released ? std::string() : refusal;
    };
}

void StationLine::shipSoon()
{
    if (!shipper_)
        return;
    {
        const std::lock_guard lock(mutex_);
        shipWanted_ = true;
    }
    wake_.notify_all();
}

// One pass at a time: after a job, when asked, and every 10 s while the
// station is open.
void StationLine::runShipping()
{
    std::unique_lock lock(mutex_);
    while (!stop_ || shipWanted_) {
        wake_.wait_for(lock, std::chrono::seconds(10), [this] { return stop_ || shipWanted_ || !retired_.empty(); });
        if (!retired_.empty()) {
            auto retired = std::move(retired_);
            retired_.clear();
            lock.unlock();
            retired.clear();
            lock.lock();
            continue;
        }
        // Closing, what the last jobs left is shipped once more first.
        if (stop_ && !shipWanted_)
            break;
        shipWanted_ = false;
        const std::shared_ptr<line::Shipper> shipper = shipping_;
        const unsigned generation = generation_;
        if (!shipper)
            continue;
        lock.unlock();
        const line::LineStatus status = shipper->shipNow();
        lock.lock();
        if (stop_)
            continue; // nobody left to show it
        lock.unlock();
        QMetaObject::invokeMethod(
            this, [this, status, generation] { shipped(status, generation); }, Qt::QueuedConnection);
        lock.lock();
    }
}

void StationLine::shipped(const line::LineStatus& status, unsigned generation)
{
    {
        const std::lock_guard lock(mutex_);
        if (generation != generation_)
            return; // a pass of the settings before
    }
    const QString text = QStringLiteral("Line: ") + QString::fromStdString(status.text());
    const bool backlogChanged = backlog_ != status.waiting;
    backlog_ = status.waiting;
    if (text != statusText_) {
        statusText_ = text;
        emit statusChanged();
    }
    if (backlogChanged)
        postStatus();
}

void StationLine::postStatus()
{
    if (!poster_)
        return;
    line::StationStatus status;
    for (int i = 0; i < station_.slotCount(); ++i)
        status.tiles.push_back(tileOf(station_.slot(i), i + 1));
    if (const ProjectJob* project = station_.project()) {
        status.project = fileNameOf(*project);
        status.jobDigest = project->facts.jobDigest;
    }
    status.backlog = backlog_;
    poster_->update(std::move(status));
}

} // namespace plx71::station
