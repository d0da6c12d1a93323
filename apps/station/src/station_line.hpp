#pragma once
// The station on the line: its record file is the outbox, shipped to the
// line server after each job and every 10 s from a thread of its own; its
// tiles are posted as the station's live status; and with "Only released
// jobs" the line server is asked for the project's job digest before a box
// is touched. Nothing here runs a request on the window's thread, and no
// job waits for the server.
#include "station_project.hpp"
#include "station_settings.hpp"

#include "plx71/line/releases.hpp"
#include "plx71/line/shipper.hpp"
#include "plx71/line/status_poster.hpp"

#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace plx71::station {

class Station;

class StationLine : public QObject {
    Q_OBJECT
public:
    explicit StationLine(Station& station);
    // Waits for a pass in progress (at most its request limits).
    ~StationLine() override;

    // Takes the station's line settings and record file as they are now.
    void configure();
    bool active() const { return shipper_ != nullptr; }
    // "Line: connected", "Line: 12 waiting (connection refused)",
    // "Line: refused (token)"; empty without a line server or before the
    // first pass has answered.
    QString statusText() const { return statusText_; }
    // The record file the jobs append to: the chosen one, else with a line
    // server the user's default record (the outbox needs a file).
    std::string recordPath() const;
    // What a job asks before its box is touched; empty without "Only
    // released jobs". Runs on the job's thread.
    std::function<std::string()> releaseGate(const ProjectJob& project) const;

    // Ships soon, off the window's thread; a pass in progress is followed
    // by one more.
    void shipSoon();
    // Hands the tiles as they are now to the status poster.
    void postStatus();

signals:
    void statusChanged();

private:
    void runShipping();
    void stopShipping();
    void shipped(const line::LineStatus& status, unsigned generation);

    Station& station_;
    std::shared_ptr<line::Shipper> shipper_;
    std::shared_ptr<line::ReleaseCheck> releases_;
    std::unique_ptr<line::StatusPoster> poster_;
    std::string configured_; // the settings the line runs with
    QString statusText_;
    std::optional<std::size_t> backlog_;

    // The shipping thread and what it shares with the window's.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<line::Shipper> shipping_; // what the thread ships with
    unsigned generation_ = 0;                 // a pass of older settings is not shown
    bool shipWanted_ = false;
    // Posters of settings before, ended on the shipping thread: each posts
    // its last change first, which the window must not wait for.
    std::vector<std::unique_ptr<line::StatusPoster>> retired_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace plx71::station
