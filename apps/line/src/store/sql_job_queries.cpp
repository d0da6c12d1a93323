// The read side of the shared SQL store: jobs, stations, boxes, yield, counts.
#include "store/sql_job_store.hpp"
#include "store/sql_transaction.hpp"

#include <algorithm>
#include <map>

namespace plx71::line {

namespace {

std::int64_t number(const std::optional<std::string>& v)
{
    return v ? std::stoll(*v) : 0;
}

std::optional<std::int64_t> optionalNumber(const std::optional<std::string>& v)
{
    if (!v)
        return std::nullopt;
    return std::stoll(*v);
}

std::string text(const std::optional<std::string>& v)
{
    return v.value_or(std::string());
}

// The condition and parameters of a job query; the cursor job is looked up
// in the same transaction.
std::string jobFilter(SqlSession& s, const JobQuery& q, std::vector<SqlValue>& params)
{
    std::string where;
    auto add = [&](const char* condition) { where += (where.empty() ? " WHERE " : " AND ") + std::string(condition); };
    if (q.since)
        add("job_time >= ?"), params.emplace_back(*q.since);
    if (q.until)
        add("job_time < ?"), params.emplace_back(*q.until);
    if (!q.station.empty())
        add("station = ?"), params.emplace_back(q.station);
    if (!q.outcome.empty())
        add("outcome = ?"), params.emplace_back(q.outcome);
    if (!q.beforeJob.empty()) {
        const SqlRows at = s.query("SELECT job_time, id FROM jobs WHERE job_id = ?", {q.beforeJob});
        if (at.empty())
            throw StoreBadQuery("no job " + q.beforeJob + " to page from");
        add("(job_time < ? OR (job_time = ? AND id < ?))");
        params.emplace_back(number(at[0][0]));
        params.emplace_back(number(at[0][0]));
        params.emplace_back(number(at[0][1]));
    }
    return where;
}

JobPage jobPage(SqlSession& s, const JobQuery& q)
{
    std::vector<SqlValue> params;
    const std::string where = jobFilter(s, q, params);
    params.emplace_back(std::int64_t(q.limit) + 1);
    const SqlRows rows =
        s.query("SELECT job_id, record FROM jobs" + where + " ORDER BY job_time DESC, id DESC LIMIT ?", params);
    JobPage page;
    for (std::size_t i = 0; i < rows.size() && i < std::size_t(q.limit); ++i)
        page.records.push_back(text(rows[i][1]));
    if (rows.size() > std::size_t(q.limit))
        page.next = text(rows[std::size_t(q.limit) - 1][0]);
    return page;
}

std::vector<StationRow> stationRows(SqlSession& s)
{
    std::map<std::string, StationRow> byName;
    for (const SqlRow& r : s.query("SELECT station, SUM(jobs), SUM(CASE WHEN outcome = 'success' THEN jobs ELSE 0 END)"
                                   " FROM job_counts GROUP BY station")) {
        StationRow& row = byName[text(r[0])];
        row.jobs = number(r[1]);
        row.passed = number(r[2]);
    }
    for (const SqlRow& r : s.query("SELECT name, last_job_time, backlog, backlog_reported FROM stations")) {
        StationRow& row = byName[text(r[0])];
        row.lastJobTime = optionalNumber(r[1]);
        row.backlog = optionalNumber(r[2]);
        row.backlogReported = optionalNumber(r[3]);
    }
    std::vector<StationRow> out;
    for (auto& [name, row] : byName) {
        row.name = name;
        out.push_back(std::move(row));
    }
    return out;
}

std::vector<BoxRow> boxRows(SqlSession& s)
{
    std::vector<BoxRow> out;
    for (const SqlRow& r : s.query("SELECT b.station, b.port, b.device, b.last_job_id, b.last_outcome, b.last_time,"
                                   " b.verified_job_id, b.verified_digest, b.verified_time,"
                                   " CASE WHEN r.job_digest IS NULL THEN 0 ELSE 1 END, b.check_job_id,"
                                   " b.check_outcome, b.check_digest, b.check_time, b.slot FROM boxes b"
                                   " LEFT JOIN releases r ON r.job_digest = b.verified_digest"
                                   " AND r.revoked_at IS NULL ORDER BY b.station, b.port"))
        out.push_back({text(r[0]), text(r[1]), text(r[2]), text(r[3]), text(r[4]), number(r[5]), text(r[6]), text(r[7]),
                       optionalNumber(r[8]), optionalNumber(r[14]), number(r[9]) != 0, text(r[10]), text(r[11]),
                       text(r[12]), optionalNumber(r[13])});
    return out;
}

// Bucket starts: hours and days from midnight UTC, shifts from 06:00 UTC
// (06-14, 14-22, 22-06).
std::pair<std::int64_t, std::int64_t> bucketOffsetAndWidth(YieldBucket by)
{
    switch (by) {
    case YieldBucket::Hour:
        return {0, 3600};
    case YieldBucket::Shift:
        return {6 * 3600, 8 * 3600};
    case YieldBucket::Day:
        break;
    }
    return {0, 86400};
}

} // namespace

JobPage SqlJobStore::jobs(const JobQuery& query)
{
    return inTransaction(pool_, false, [&](SqlSession& s) { return jobPage(s, query); });
}

std::vector<StationRow> SqlJobStore::stations()
{
    return inTransaction(pool_, false, [&](SqlSession& s) { return stationRows(s); });
}

std::vector<BoxRow> SqlJobStore::boxes()
{
    return inTransaction(pool_, false, [&](SqlSession& s) { return boxRows(s); });
}

std::vector<YieldRow> SqlJobStore::yield(YieldBucket by, std::int64_t since, const std::string& station)
{
    const auto [offset, width] = bucketOffsetAndWidth(by);
    // Whole buckets from `since` on; never before the first bucket of 1970,
    // where the integer division would round the other way.
    since = std::max(since, offset);
    since = (since - offset) / width * width + offset;
    std::vector<SqlValue> params{offset, width, width, offset, since};
    // From the jobs per hour the batches keep: no scan of the jobs. A job
    // without an outcome is neither passed nor failed.
    std::string sql =
        "SELECT (hour - ?) / ? * ? + ?, SUM(jobs), SUM(CASE WHEN outcome = 'success' THEN jobs ELSE 0 END),"
        " SUM(CASE WHEN outcome NOT IN ('success', 'cancelled', '') THEN jobs ELSE 0 END),"
        " SUM(CASE WHEN outcome = 'cancelled' THEN jobs ELSE 0 END) FROM job_hours WHERE hour >= ?";
    if (!station.empty()) {
        sql += " AND station = ?";
        params.emplace_back(station);
    }
    sql += " GROUP BY 1 ORDER BY 1";
    return inTransaction(pool_, false, [&](SqlSession& s) {
        std::vector<YieldRow> out;
        for (const SqlRow& r : s.query(sql, params))
            out.push_back({number(r[0]), number(r[1]), number(r[2]), number(r[3]), number(r[4])});
        return out;
    });
}

std::vector<JobCount> SqlJobStore::jobCounts()
{
    return inTransaction(pool_, false, [&](SqlSession& s) {
        std::vector<JobCount> out;
        for (const SqlRow& r : s.query("SELECT station, outcome, jobs FROM job_counts ORDER BY station, outcome"))
            out.push_back({text(r[0]), text(r[1]), number(r[2])});
        return out;
    });
}

} // namespace plx71::line
