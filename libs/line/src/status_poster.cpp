#include "plx71/line/status_poster.hpp"

#include "json_members.hpp"

#include <cctype>

namespace plx71::line {

namespace {

// The station's name as one path segment.
std::string pathSegment(const std::string& text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

} // namespace

std::string statusBodyJson(const StationStatus& status)
{
    JsonArray tiles;
    for (const StatusTile& t : status.tiles) {
        JsonObject tile;
        tile.number("slot", t.slot);
        stringOrNull(tile, "label", t.label);
        stringOrNull(tile, "port", t.port);
        stringOrNull(tile, "state", t.state);
        stringOrNull(tile, "phase", t.phase);
        numberOrNull(tile, "percent", t.percent);
        tile.raw("counters",
                 JsonObject()
                     .number("passed", std::int64_t(t.passed))
                     .number("failed", std::int64_t(t.failed))
                     .number("cancelled", std::int64_t(t.cancelled))
                     .text());
        tiles.object(tile);
    }
    JsonObject body;
    body.raw("tiles", tiles.text());
    stringOrNull(body, "project", status.project);
    stringOrNull(body, "jobDigest", status.jobDigest);
    numberOrNull(body, "backlog", status.backlog);
    return body.text();
}

StatusPoster::StatusPoster(LineUrl url, std::string token, std::string station, std::unique_ptr<HttpClient> client,
                           StatusTiming timing)
    : url_(std::move(url)), token_(std::move(token)), path_("/api/v1/stations/" + pathSegment(station) + "/status"),
      client_(std::move(client)), timing_(timing)
{
    thread_ = std::thread([this] { run(); });
}

StatusPoster::~StatusPoster()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void StatusPoster::update(StationStatus status)
{
    {
        const std::lock_guard lock(mutex_);
        status_ = std::move(status);
        changed_ = true;
    }
    wake_.notify_all();
}

std::size_t StatusPoster::accepted() const
{
    const std::lock_guard lock(mutex_);
    return accepted_;
}

void StatusPoster::run()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    // Nothing is posted before the first state.
    wake_.wait(lock, [this] { return changed_ || stop_; });
    Clock::time_point last = Clock::now() - timing_.minGap;
    for (;;) {
        if (!stop_) {
            const Clock::time_point due = changed_ ? last + timing_.minGap : last + timing_.heartbeat;
            if (Clock::now() < due) {
                const bool wasChanged = changed_;
                wake_.wait_until(lock, due, [&] { return stop_ || changed_ != wasChanged; });
                continue;
            }
        } else if (!changed_) {
            return;
        }
        const std::string body = statusBodyJson(status_);
        const bool stopping = stop_;
        changed_ = false;
        last = Clock::now();
        lock.unlock();
        const HttpAnswer answer = client_->postJson(url_, path_, token_, body, timing_.limits);
        lock.lock();
        if (answer.status == 200)
            ++accepted_;
        if (stopping)
            return;
    }
}

} // namespace plx71::line
