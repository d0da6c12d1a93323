#include "store/sql_job_store.hpp"

#include "store/schema.hpp"
#include "store/sql_transaction.hpp"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace plx71::line {

namespace {

SqlValue optional(const std::optional<std::string>& v)
{
    return v ? SqlValue(*v) : SqlValue();
}

SqlValue optional(const std::optional<std::int64_t>& v)
{
    return v ? SqlValue(*v) : SqlValue();
}

// What one batch changes besides the jobs themselves, gathered first and
// written in key order: two servers taking overlapping batches then lock
// rows in the same order and never wait for each other in a circle.
struct BatchEffects {
    struct Box {
        const IncomingRecord* last = nullptr;
        std::int64_t lastTime = 0;
        const IncomingRecord* verified = nullptr;
        std::int64_t verifiedTime = 0;
        const IncomingRecord* check = nullptr; // the newest "verify" job
        std::int64_t checkTime = 0;
    };
    struct Station {
        std::optional<std::int64_t> lastJobTime, backlog, reported;
    };
    std::map<std::pair<std::string, std::string>, std::int64_t> counts;
    std::map<std::tuple<std::int64_t, std::string, std::string>, std::int64_t> hours;
    std::map<std::pair<std::string, std::string>, Box> boxes;
    std::map<std::string, Station> stations;
};

std::string stationOf(const IncomingRecord& r, const RecordBatch& batch)
{
    return r.columns.station.value_or(batch.station);
}

std::int64_t timeOf(const IncomingRecord& r, const RecordBatch& batch)
{
    return r.columns.time.value_or(batch.received);
}

bool insertJob(SqlSession& s, const IncomingRecord& r, const RecordBatch& batch)
{
    const RecordColumns& c = r.columns;
    const std::string station = stationOf(r, batch);
    std::optional<std::int64_t> verified;
    if (c.verified)
        verified = *c.verified ? 1 : 0;
    return s.execute("INSERT INTO jobs (job_id, job_time, received, station, slot, label, port, device, command,"
                     " outcome, exit_code, verified, job_digest, duration_ms, record, cause)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (job_id) DO NOTHING",
                     {r.jobId, timeOf(r, batch), batch.received, station.empty() ? SqlValue() : SqlValue(station),
                      optional(c.slot), optional(c.label), optional(c.port), optional(c.device), optional(c.command),
                      optional(c.outcome), optional(c.exitCode), optional(verified), optional(c.jobDigest),
                      optional(c.durationMs), r.text, optional(c.cause)})
        == 1;
}

void noteNewJob(BatchEffects& effects, const IncomingRecord& r, const RecordBatch& batch)
{
    const std::string station = stationOf(r, batch);
    const std::int64_t time = timeOf(r, batch);
    const std::string outcome = r.columns.outcome.value_or("");
    ++effects.counts[{station, outcome}];
    ++effects.hours[{time - ((time % 3600) + 3600) % 3600, station, outcome}];
    if (!station.empty()) {
        auto& last = effects.stations[station].lastJobTime;
        last = std::max(last.value_or(time), time);
    }
    if (!r.columns.port)
        return;
    BatchEffects::Box& box = effects.boxes[{station, *r.columns.port}];
    if (!box.last || time >= box.lastTime)
        box.last = &r, box.lastTime = time;
    if (r.columns.verified.value_or(false) && (!box.verified || time >= box.verifiedTime))
        box.verified = &r, box.verifiedTime = time;
    if (r.columns.command == "verify" && (!box.check || time >= box.checkTime))
        box.check = &r, box.checkTime = time;
}

void writeBox(SqlSession& s, const std::pair<std::string, std::string>& key, const BatchEffects::Box& box)
{
    const RecordColumns& last = box.last->columns;
    s.execute("INSERT INTO boxes (station, port, device, last_job_id, last_time, last_outcome)"
              " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (station, port) DO UPDATE SET device = excluded.device,"
              " last_job_id = excluded.last_job_id, last_time = excluded.last_time,"
              " last_outcome = excluded.last_outcome WHERE excluded.last_time >= boxes.last_time",
              {key.first, key.second, optional(last.device), box.last->jobId, box.lastTime, optional(last.outcome)});
    if (last.slot)
        s.execute("UPDATE boxes SET slot = ? WHERE station = ? AND port = ? AND last_job_id = ?",
                  {*last.slot, key.first, key.second, box.last->jobId});
    if (box.check)
        s.execute("UPDATE boxes SET check_job_id = ?, check_time = ?, check_outcome = ?, check_digest = ?"
                  " WHERE station = ? AND port = ? AND (check_time IS NULL OR check_time <= ?)",
                  {box.check->jobId, box.checkTime, optional(box.check->columns.outcome),
                   optional(box.check->columns.jobDigest), key.first, key.second, box.checkTime});
    if (!box.verified)
        return;
    s.execute("UPDATE boxes SET verified_job_id = ?, verified_digest = ?, verified_time = ?"
              " WHERE station = ? AND port = ? AND (verified_time IS NULL OR verified_time <= ?)",
              {box.verified->jobId, optional(box.verified->columns.jobDigest), box.verifiedTime, key.first, key.second,
               box.verifiedTime});
}

void writeEffects(SqlSession& s, const BatchEffects& effects)
{
    for (const auto& [key, jobs] : effects.counts)
        s.execute("INSERT INTO job_counts (station, outcome, jobs) VALUES (?, ?, ?)"
                  " ON CONFLICT (station, outcome) DO UPDATE SET jobs = job_counts.jobs + excluded.jobs",
                  {key.first, key.second, jobs});
    for (const auto& [key, jobs] : effects.hours)
        s.execute("INSERT INTO job_hours (hour, station, outcome, jobs) VALUES (?, ?, ?, ?)"
                  " ON CONFLICT (hour, station, outcome) DO UPDATE SET jobs = job_hours.jobs + excluded.jobs",
                  {std::get<0>(key), std::get<1>(key), std::get<2>(key), jobs});
    for (const auto& [name, st] : effects.stations)
        s.execute("INSERT INTO stations (name, last_job_time, backlog, backlog_reported) VALUES (?, ?, ?, ?)"
                  " ON CONFLICT (name) DO UPDATE SET last_job_time = CASE WHEN stations.last_job_time IS NULL"
                  " OR excluded.last_job_time > stations.last_job_time THEN excluded.last_job_time"
                  " ELSE stations.last_job_time END,"
                  " backlog = COALESCE(excluded.backlog, stations.backlog),"
                  " backlog_reported = COALESCE(excluded.backlog_reported, stations.backlog_reported)",
                  {name, optional(st.lastJobTime), optional(st.backlog), optional(st.reported)});
    for (const auto& [key, box] : effects.boxes)
        writeBox(s, key, box);
}

BatchResult addBatch(SqlSession& s, const RecordBatch& batch)
{
    // Jobs in jobId order, for the same reason as BatchEffects; a jobId
    // twice in one batch keeps its first copy, as across batches.
    std::vector<std::size_t> order(batch.records.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return batch.records[a].jobId < batch.records[b].jobId; });
    std::vector<bool> isNew(batch.records.size(), false);
    BatchResult result;
    for (std::size_t i : order) {
        isNew[i] = insertJob(s, batch.records[i], batch);
        ++(isNew[i] ? result.stored : result.duplicates);
    }
    BatchEffects effects;
    for (std::size_t i = 0; i < batch.records.size(); ++i) {
        if (isNew[i])
            noteNewJob(effects, batch.records[i], batch);
    }
    if (!batch.station.empty() && batch.backlog) {
        effects.stations[batch.station].backlog = batch.backlog;
        effects.stations[batch.station].reported = batch.received;
    }
    writeEffects(s, effects);
    return result;
}

} // namespace

SqlJobStore::SqlJobStore(SessionPool::Connect connect, std::string description)
    : pool_(std::move(connect)), description_(std::move(description))
{
    try {
        auto session = pool_.acquire();
        prepareSchema(*session);
    } catch (const SqlError& e) {
        throw StoreUnavailable(description_ + ": " + e.what());
    }
}

BatchResult SqlJobStore::add(const RecordBatch& batch)
{
    return inTransaction(pool_, true, [&](SqlSession& s) { return addBatch(s, batch); });
}

} // namespace plx71::line
