// The shared SQL store's side for the line's page: the stations' live
// state, the releases, and the yield summary (failure causes, first pass).
#include "store/sql_job_store.hpp"
#include "store/sql_transaction.hpp"

namespace plx71::line {

namespace {

std::int64_t number(const std::optional<std::string>& v)
{
    return v ? std::stoll(*v) : 0;
}

std::string text(const std::optional<std::string>& v)
{
    return v.value_or(std::string());
}

SqlValue orNull(const std::string& v)
{
    return v.empty() ? SqlValue() : SqlValue(v);
}

constexpr const char* kReleaseColumns = "job_digest, device, user_rom_checksum, boot_rom_checksum, files, note,"
                                        " released_by, released_at, revoked_by, revoked_at";

Release releaseOf(const SqlRow& r)
{
    Release out;
    out.jobDigest = text(r[0]);
    out.device = text(r[1]);
    out.userRomChecksum = text(r[2]);
    out.bootRomChecksum = text(r[3]);
    out.files = text(r[4]);
    out.note = text(r[5]);
    out.releasedBy = text(r[6]);
    out.releasedAt = number(r[7]);
    out.revokedBy = text(r[8]);
    if (r[9])
        out.revokedAt = number(r[9]);
    return out;
}

std::optional<Release> findRelease(SqlSession& s, const std::string& digest)
{
    const SqlRows rows =
        s.query(std::string("SELECT ") + kReleaseColumns + " FROM releases WHERE job_digest = ?", {digest});
    if (rows.empty())
        return std::nullopt;
    return releaseOf(rows[0]);
}

ReleaseResult addRelease(SqlSession& s, const Release& r)
{
    // A new digest, or one whose release was revoked, is released (again);
    // an active release stays as it was first made.
    const std::int64_t changed =
        s.execute(std::string("INSERT INTO releases (") + kReleaseColumns
                      + ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, NULL, NULL) ON CONFLICT (job_digest) DO UPDATE SET"
                        " device = excluded.device, user_rom_checksum = excluded.user_rom_checksum,"
                        " boot_rom_checksum = excluded.boot_rom_checksum, files = excluded.files,"
                        " note = excluded.note, released_by = excluded.released_by,"
                        " released_at = excluded.released_at, revoked_by = NULL, revoked_at = NULL"
                        " WHERE releases.revoked_at IS NOT NULL",
                  {r.jobDigest, orNull(r.device), orNull(r.userRomChecksum), orNull(r.bootRomChecksum), r.files,
                   orNull(r.note), r.releasedBy, r.releasedAt});
    return {*findRelease(s, r.jobDigest), changed == 1};
}

// The condition shared by the summary's queries.
std::string since(const std::string& station, std::vector<SqlValue>& params, std::int64_t from)
{
    params.emplace_back(from);
    if (station.empty())
        return "job_time >= ?";
    params.emplace_back(station);
    return "job_time >= ? AND station = ?";
}

} // namespace

void SqlJobStore::putStatus(const StationStatus& status)
{
    inTransaction(pool_, true, [&](SqlSession& s) {
        return s.execute("INSERT INTO station_status (station, status, received) VALUES (?, ?, ?)"
                         " ON CONFLICT (station) DO UPDATE SET status = excluded.status, received = excluded.received"
                         " WHERE excluded.received >= station_status.received",
                         {status.station, status.json, status.received});
    });
}

std::vector<StationStatus> SqlJobStore::statuses()
{
    return inTransaction(pool_, false, [&](SqlSession& s) {
        std::vector<StationStatus> out;
        for (const SqlRow& r : s.query("SELECT station, status, received FROM station_status ORDER BY station"))
            out.push_back({text(r[0]), text(r[1]), number(r[2])});
        return out;
    });
}

ReleaseResult SqlJobStore::release(const Release& release)
{
    return inTransaction(pool_, true, [&](SqlSession& s) { return addRelease(s, release); });
}

std::optional<Release> SqlJobStore::revoke(const std::string& jobDigest, const std::string& by, std::int64_t at)
{
    return inTransaction(pool_, true, [&](SqlSession& s) -> std::optional<Release> {
        if (s.execute("UPDATE releases SET revoked_by = ?, revoked_at = ? WHERE job_digest = ? AND revoked_at IS NULL",
                      {by, at, jobDigest})
            != 1)
            return std::nullopt;
        return findRelease(s, jobDigest);
    });
}

std::vector<Release> SqlJobStore::releases()
{
    return inTransaction(pool_, false, [&](SqlSession& s) {
        std::vector<Release> out;
        for (const SqlRow& r :
             s.query(std::string("SELECT ") + kReleaseColumns + " FROM releases ORDER BY released_at DESC, job_digest"))
            out.push_back(releaseOf(r));
        return out;
    });
}

std::optional<Release> SqlJobStore::activeRelease(const std::string& jobDigest)
{
    auto found = inTransaction(pool_, false, [&](SqlSession& s) { return findRelease(s, jobDigest); });
    if (found && !found->active())
        return std::nullopt;
    return found;
}

std::vector<FailureCause> SqlJobStore::failureCauses(std::int64_t from, const std::string& station, int limit)
{
    std::vector<SqlValue> params;
    // The terms on outcome are those of the index jobs_failed_time.
    const std::string sql = "SELECT outcome, COALESCE(cause, ''), COUNT(*) FROM jobs WHERE "
        + since(station, params, from)
        + " AND outcome <> 'success' AND outcome <> 'cancelled'"
          " GROUP BY outcome, COALESCE(cause, '') ORDER BY 3 DESC, 1, 2 LIMIT ?";
    params.emplace_back(std::int64_t(limit));
    return inTransaction(pool_, false, [&](SqlSession& s) {
        std::vector<FailureCause> out;
        for (const SqlRow& r : s.query(sql, params))
            out.push_back({text(r[0]), text(r[1]), number(r[2])});
        return out;
    });
}

FirstPass SqlJobStore::firstPass(std::int64_t from, const std::string& station)
{
    std::vector<SqlValue> params;
    const std::string sql =
        "SELECT COUNT(*), SUM(CASE WHEN outcome = 'success' THEN 1 ELSE 0 END) FROM (SELECT outcome,"
        " LAG(outcome) OVER (PARTITION BY station, port, command ORDER BY job_time, id) AS previous FROM jobs WHERE "
        + since(station, params, from)
        + " AND outcome IS NOT NULL AND outcome <> 'cancelled') attempts"
          " WHERE previous IS NULL OR previous = 'success'";
    return inTransaction(pool_, false, [&](SqlSession& s) {
        const SqlRows rows = s.query(sql, params);
        if (rows.empty())
            return FirstPass{};
        return FirstPass{number(rows[0][0]), number(rows[0][1])};
    });
}

} // namespace plx71::line
