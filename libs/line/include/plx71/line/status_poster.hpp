#pragma once
// A station's live state for the line's page: its tiles, posted to
// POST /api/v1/stations/NAME/status from a thread of its own when a tile
// changes (at most twice a second) and every 10 s as a heartbeat. The
// caller only hands the newest state over (update never waits on the
// network); a failed post is dropped, the next change or heartbeat tries
// again.
#include "plx71/line/http_client.hpp"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace plx71::line {

struct StatusTile {
    int slot = 0;
    std::string label;
    std::string port;  // the port's identity
    std::string state; // "Idle", "Running", "Verified", "Failed", "Cancelled", "No box"
    std::string phase; // empty: none
    std::optional<int> percent;
    std::uint64_t passed = 0, failed = 0, cancelled = 0;
};

struct StationStatus {
    std::vector<StatusTile> tiles;
    std::string project;
    std::string jobDigest;
    std::optional<std::size_t> backlog;
};

// The body of a status post.
std::string statusBodyJson(const StationStatus& status);

struct StatusTiming {
    std::chrono::milliseconds minGap{500};      // between two posts
    std::chrono::milliseconds heartbeat{10000}; // a post at least this often
    HttpLimits limits{std::chrono::milliseconds(1000), std::chrono::milliseconds(2000)};
};

class StatusPoster {
public:
    StatusPoster(LineUrl url, std::string token, std::string station,
                 std::unique_ptr<HttpClient> client = systemHttpClient(), StatusTiming timing = {});
    // Posts the last change not yet posted, then stops (at most the request
    // limit when the server is slow).
    ~StatusPoster();
    StatusPoster(const StatusPoster&) = delete;
    StatusPoster& operator=(const StatusPoster&) = delete;

    // The newest state; returns at once.
    void update(StationStatus status);
    // Posts answered 200 so far.
    std::size_t accepted() const;

private:
    void run();

    LineUrl url_;
    std::string token_;
    std::string path_;
    std::unique_ptr<HttpClient> client_;
    StatusTiming timing_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    StationStatus status_;
    bool changed_ = false;
    bool stop_ = false;
    std::size_t accepted_ = 0;
    std::thread thread_;
};

} // namespace plx71::line
