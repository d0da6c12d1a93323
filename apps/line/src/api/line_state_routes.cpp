#include "api/line_state_routes.hpp"

#include "api/json_body.hpp"
#include "store/iso_time.hpp"

#include <algorithm>
#include <map>

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kMaxDepth = 8;
constexpr std::size_t kMaxTiles = 256;
constexpr std::size_t kMaxTextBytes = 1024;
constexpr std::size_t kMaxStationName = 128;

struct Refused {
    std::string why;
};

// A text field: absent or null is null; another type, or a text too long, refuses the body.
Json textField(const Json& from, const char* key, const std::string& where)
{
    const auto it = from.find(key);
    if (it == from.end() || it->is_null())
        return nullptr;
    if (!it->is_string())
        throw Refused{where + "\"" + key + "\" is not a string"};
    if (it->get_ref<const std::string&>().size() > kMaxTextBytes)
        throw Refused{where + "\"" + key + "\" is longer than " + std::to_string(kMaxTextBytes) + " bytes"};
    return *it;
}

Json integerField(const Json& from, const char* key, const std::string& where, std::int64_t max)
{
    const auto it = from.find(key);
    if (it == from.end() || it->is_null())
        return nullptr;
    if (!it->is_number_integer() || (it->is_number_unsigned() && it->get<std::uint64_t>() > std::uint64_t(max))
        || it->get<std::int64_t>() < 0 || it->get<std::int64_t>() > max)
        throw Refused{where + "\"" + key + "\" is not a whole number from 0 to " + std::to_string(max)};
    return *it;
}

Json tileOf(const Json& tile, std::size_t index)
{
    const std::string where = "tile " + std::to_string(index + 1) + ": ";
    if (!tile.is_object())
        throw Refused{where + "not an object"};
    Json out{{"slot", integerField(tile, "slot", where, 1 << 20)},
             {"label", textField(tile, "label", where)},
             {"port", textField(tile, "port", where)},
             {"state", textField(tile, "state", where)},
             {"phase", textField(tile, "phase", where)},
             {"percent", integerField(tile, "percent", where, 100)},
             {"counters", nullptr}};
    if (const auto c = tile.find("counters"); c != tile.end() && !c->is_null()) {
        if (!c->is_object())
            throw Refused{where + "\"counters\" is not an object"};
        constexpr std::int64_t kMaxCount = std::int64_t(1) << 53;
        out["counters"] = Json{{"passed", integerField(*c, "passed", where, kMaxCount)},
                               {"failed", integerField(*c, "failed", where, kMaxCount)},
                               {"cancelled", integerField(*c, "cancelled", where, kMaxCount)}};
    }
    return out;
}

bool validStationName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxStationName)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) { return (unsigned char)c < 0x20 || c == 0x7f; });
}

Json liveState(const StationStatus& status)
{
    try {
        return Json::parse(status.json);
    } catch (const Json::exception&) {
        return nullptr; // never stored so; a hand-edited row shows no tiles
    }
}

} // namespace

std::variant<Json, std::string> parseStatusBody(const std::string& body)
{
    auto parsed = parseJsonBody(body, kMaxDepth);
    if (auto* why = std::get_if<std::string>(&parsed))
        return *why;
    const Json& doc = std::get<Json>(parsed);
    try {
        const auto tiles = doc.find("tiles");
        if (tiles == doc.end() || !tiles->is_array())
            return std::string("\"tiles\" is missing or not an array");
        if (tiles->size() > kMaxTiles)
            return "more than " + std::to_string(kMaxTiles) + " tiles";
        Json out{{"tiles", Json::array()},
                 {"project", textField(doc, "project", "")},
                 {"jobDigest", textField(doc, "jobDigest", "")},
                 {"backlog", integerField(doc, "backlog", "", std::int64_t(1) << 53)}};
        for (std::size_t i = 0; i < tiles->size(); ++i)
            out["tiles"].push_back(tileOf((*tiles)[i], i));
        return out;
    } catch (const Refused& r) {
        return r.why;
    }
}

void postStatus(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    const std::string station = req.matches[1];
    if (!validStationName(station)) {
        replyError(res, 400, "the station's name is empty, longer than 128 bytes or holds control characters");
        return;
    }
    if (req.body.size() > kMaxStatusBytes) {
        replyError(res, 413, "status larger than " + std::to_string(kMaxStatusBytes / 1024) + " KiB");
        return;
    }
    auto parsed = parseStatusBody(req.body);
    if (auto* why = std::get_if<std::string>(&parsed)) {
        replyError(res, 400, *why);
        return;
    }
    const std::string json = std::get<Json>(parsed).dump(-1, ' ', false, Json::error_handler_t::replace);
    ctx.store.putStatus({station, json, unixNow()});
    replyJson(res, 200, Json{{"station", station}});
}

void addLiveState(Json& list, const std::vector<StationStatus>& statuses, std::int64_t now)
{
    std::map<std::string, Json> byName;
    for (Json& station : list) {
        const std::string name = station.value("name", "");
        byName[name] = std::move(station);
    }
    for (const StationStatus& status : statuses) {
        Json& station = byName[status.station];
        if (station.is_null())
            station = Json{{"name", status.station}, {"jobs", 0},          {"passed", 0},
                           {"lastJobTime", nullptr}, {"backlog", nullptr}, {"backlogReported", nullptr}};
        station["live"] = liveState(status);
        station["statusTime"] = isoTime(status.received);
    }
    list = Json::array();
    for (auto& [name, station] : byName) {
        // Heard from: a status, or a batch of records that said its backlog.
        std::optional<std::int64_t> seen;
        for (const char* key : {"statusTime", "backlogReported"}) {
            const auto t = station.contains(key) && station[key].is_string()
                ? parseIsoTime(station[key].get<std::string>())
                : std::nullopt;
            if (t && (!seen || *t > *seen))
                seen = t;
        }
        if (!station.contains("live"))
            station["live"] = nullptr, station["statusTime"] = nullptr;
        station["lastSeen"] = seen ? Json(isoTime(*seen)) : Json();
        station["offline"] = !seen || now - *seen > kOfflineAfterSeconds;
        list.push_back(std::move(station));
    }
}

void getSummary(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    std::int64_t since = unixNow() - 24 * 3600;
    if (req.has_param("since") && !req.get_param_value("since").empty()) {
        const auto t = parseIsoTime(req.get_param_value("since"));
        if (!t) {
            replyError(res, 400,
                       "since=" + req.get_param_value("since") + " is no ISO 8601 time (2024-05-01T06:00:00Z)");
            return;
        }
        since = *t;
    }
    const std::string station = req.get_param_value("station");
    Json causes = Json::array();
    for (const FailureCause& c : ctx.store.failureCauses(since, station, 5))
        causes.push_back(
            Json{{"outcome", c.outcome}, {"cause", c.cause.empty() ? Json() : Json(c.cause)}, {"jobs", c.jobs}});
    const FirstPass first = ctx.store.firstPass(since, station);
    replyJson(res, 200,
              Json{{"since", isoTime(since)},
                   {"firstPass",
                    Json{{"attempts", first.attempts},
                         {"passed", first.passed},
                         {"yield", first.attempts ? Json(double(first.passed) / double(first.attempts)) : Json()}}},
                   {"causes", causes}});
}

} // namespace plx71::line
