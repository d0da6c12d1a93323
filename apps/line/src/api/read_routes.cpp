#include "api/read_routes.hpp"

#include "api/jobs_csv.hpp"
#include "api/line_state_routes.hpp"
#include "store/iso_time.hpp"

#include <charconv>

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

// A query parameter that does not read as what it should: 400.
struct BadParameter {
    std::string why;
};

std::optional<std::int64_t> timeParameter(const httplib::Request& req, const char* name)
{
    if (!req.has_param(name) || req.get_param_value(name).empty())
        return std::nullopt;
    const std::string value = req.get_param_value(name);
    const auto t = parseIsoTime(value);
    if (!t)
        throw BadParameter{std::string(name) + "=" + value + " is no ISO 8601 time (2024-05-01T06:00:00Z)"};
    return t;
}

int limitParameter(const httplib::Request& req)
{
    if (!req.has_param("limit"))
        return 100;
    const std::string value = req.get_param_value("limit");
    int n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc() || end != value.data() + value.size() || n < 1 || n > 1000)
        throw BadParameter{"limit=" + value + " is not a number from 1 to 1000"};
    return n;
}

Json optionalTime(const std::optional<std::int64_t>& t)
{
    return t ? Json(isoTime(*t)) : Json(nullptr);
}

Json optionalText(const std::string& text)
{
    return text.empty() ? Json(nullptr) : Json(text);
}

// Runs a handler body; a bad parameter or cursor is a 400.
template <class Body>
void answer(httplib::Response& res, Body&& body)
{
    try {
        body();
    } catch (const BadParameter& e) {
        replyError(res, 400, e.why);
    } catch (const StoreBadQuery& e) {
        replyError(res, 400, e.what());
    }
}

Json yieldBucket(const YieldRow& row)
{
    // Yield: passed of the jobs that ended passed or failed (not cancelled).
    const std::int64_t judged = row.passed + row.failed;
    return Json{{"start", isoTime(row.start)}, {"jobs", row.jobs},
                {"passed", row.passed},        {"failed", row.failed},
                {"cancelled", row.cancelled},  {"yield", judged ? Json(double(row.passed) / double(judged)) : Json()}};
}

} // namespace

void getJobs(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    answer(res, [&] {
        JobQuery q;
        q.since = timeParameter(req, "since");
        q.until = timeParameter(req, "until");
        q.station = req.get_param_value("station");
        q.outcome = req.get_param_value("outcome");
        q.limit = limitParameter(req);
        // The cursor: the jobId "next" named, or a time (jobs before it).
        const std::string before = req.get_param_value("before");
        if (const auto t = parseIsoTime(before))
            q.until = q.until ? std::min(*q.until, *t) : *t;
        else
            q.beforeJob = before;
        // The same jobs as CSV: every one the filters find, or `limit` of them.
        const std::string format = req.get_param_value("format");
        if (format == "csv" || req.path == "/api/v1/jobs.csv") {
            replyJobsCsv(res, ctx.store, q,
                         req.has_param("limit") ? std::optional<std::int64_t>(q.limit) : std::nullopt);
            return;
        }
        if (!format.empty() && format != "json")
            throw BadParameter{"format=" + format + ": use json or csv"};
        const JobPage page = ctx.store.jobs(q);
        std::string body = "{\"jobs\":[";
        for (std::size_t i = 0; i < page.records.size(); ++i)
            body += (i ? "," : "") + page.records[i];
        body += "],\"next\":" + Json(optionalText(page.next)).dump() + "}";
        replyJson(res, 200, body);
    });
}

void getStations(const httplib::Request&, httplib::Response& res, RouteContext& ctx)
{
    Json list = Json::array();
    for (const StationRow& s : ctx.store.stations())
        list.push_back(Json{{"name", s.name},
                            {"jobs", s.jobs},
                            {"passed", s.passed},
                            {"lastJobTime", optionalTime(s.lastJobTime)},
                            {"backlog", s.backlog ? Json(*s.backlog) : Json()},
                            {"backlogReported", optionalTime(s.backlogReported)}});
    const std::int64_t at = unixNow();
    addLiveState(list, ctx.store.statuses(), at);
    replyJson(res, 200, Json{{"stations", list}, {"now", isoTime(at)}, {"offlineAfterSeconds", kOfflineAfterSeconds}});
}

void getBoxes(const httplib::Request&, httplib::Response& res, RouteContext& ctx)
{
    Json list = Json::array();
    for (const BoxRow& b : ctx.store.boxes())
        list.push_back(Json{{"station", b.station},
                            {"port", b.port},
                            {"slot", b.slot ? Json(*b.slot) : Json()},
                            {"device", optionalText(b.device)},
                            {"lastJobId", b.lastJobId},
                            {"lastTime", isoTime(b.lastTime)},
                            {"lastOutcome", optionalText(b.lastOutcome)},
                            {"verifiedJobId", optionalText(b.verifiedJobId)},
                            {"verifiedDigest", optionalText(b.verifiedDigest)},
                            {"verifiedTime", optionalTime(b.verifiedTime)},
                            {"verifiedReleased", b.verifiedReleased},
                            {"lastCheck",
                             b.checkJobId.empty() ? Json()
                                                  : Json{{"jobId", b.checkJobId},
                                                         {"time", optionalTime(b.checkTime)},
                                                         {"outcome", optionalText(b.checkOutcome)},
                                                         {"jobDigest", optionalText(b.checkDigest)}}}});
    replyJson(res, 200, Json{{"boxes", list}});
}

void getYield(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    answer(res, [&] {
        const std::string by = req.has_param("by") ? req.get_param_value("by") : "hour";
        YieldBucket bucket = YieldBucket::Hour;
        std::int64_t back = 24 * 3600; // default span: a day of hours, a week of shifts, 30 days
        if (by == "shift")
            bucket = YieldBucket::Shift, back = 7 * 86400;
        else if (by == "day")
            bucket = YieldBucket::Day, back = 30 * 86400;
        else if (by != "hour")
            throw BadParameter{"by=" + by + ": use hour, shift or day"};
        const std::int64_t since = timeParameter(req, "since").value_or(unixNow() - back);
        const std::string station = req.get_param_value("station");
        Json buckets = Json::array();
        for (const YieldRow& row : ctx.store.yield(bucket, since, station))
            buckets.push_back(yieldBucket(row));
        replyJson(res, 200, Json{{"by", by}, {"since", isoTime(since)}, {"buckets", buckets}});
    });
}

} // namespace plx71::line
