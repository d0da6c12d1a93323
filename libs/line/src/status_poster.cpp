#include "plx71/line/status_poster.hpp"

#include <nlohmann/json.hpp>

#include <cctype>

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

Json optionalText(const std::string& text)
{
    return text.empty() ? Json() : Json(text);
}

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
    Json tiles = Json::array();
    for (const StatusTile& t : status.tiles) {
        tiles.push_back(
            Json{{"slot", t.slot},
                 {"label", optionalText(t.label)},
                 {"port", optionalText(t.port)},
                 {"state", optionalText(t.state)},
                 {"phase", optionalText(t.phase)},
                 {"percent", t.percent ? Json(*t.percent) : Json()},
                 {"counters", Json{{"passed", t.passed}, {"failed", t.failed}, {"cancelled", t.cancelled}}}});
    }
    const Json body{{"tiles", tiles},
                    {"project", optionalText(status.project)},
                    {"jobDigest", optionalText(status.jobDigest)},
                    {"backlog", status.backlog ? Json(*status.backlog) : Json()}};
    return body.dump(-1, ' ', false, Json::error_handler_t::replace);
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
