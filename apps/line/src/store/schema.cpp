#include "store/schema.hpp"

#include <string>
#include <vector>

namespace plx71::line {

namespace {

// Version 0 -> 1: the jobs, and what the read API asks for often, kept up
// to date with every batch (counts, jobs per hour, stations, boxes).
std::vector<std::string> toVersion1(const SqlDialect& d)
{
    return {
        "CREATE TABLE schema_version (version INTEGER NOT NULL)",
        "CREATE TABLE jobs (id " + std::string(d.serialKey)
            + ", job_id TEXT NOT NULL UNIQUE, job_time BIGINT NOT NULL, received BIGINT NOT NULL,"
              " station TEXT, slot BIGINT, label TEXT, port TEXT, device TEXT, command TEXT, outcome TEXT,"
              " exit_code BIGINT, verified INTEGER, job_digest TEXT, duration_ms BIGINT, record "
            + std::string(d.recordType) + " NOT NULL)",
        "CREATE INDEX jobs_time ON jobs (job_time, id)",
        "CREATE INDEX jobs_station_time ON jobs (station, job_time, id)",
        "CREATE INDEX jobs_outcome_time ON jobs (outcome, job_time, id)",
        "CREATE INDEX jobs_station_outcome_time ON jobs (station, outcome, job_time, id)",
        "CREATE INDEX jobs_port_time ON jobs (station, port, job_time)",
        "CREATE INDEX jobs_label ON jobs (label)",
        "CREATE INDEX jobs_device ON jobs (device)",
        "CREATE INDEX jobs_digest ON jobs (job_digest)",
        "CREATE TABLE job_counts (station TEXT NOT NULL, outcome TEXT NOT NULL, jobs BIGINT NOT NULL,"
        " PRIMARY KEY (station, outcome))",
        // The yield's source: hours, shifts and days are whole hours.
        "CREATE TABLE job_hours (hour BIGINT NOT NULL, station TEXT NOT NULL, outcome TEXT NOT NULL,"
        " jobs BIGINT NOT NULL, PRIMARY KEY (hour, station, outcome))",
        "CREATE TABLE stations (name TEXT PRIMARY KEY, last_job_time BIGINT, backlog BIGINT, backlog_reported BIGINT)",
        "CREATE TABLE boxes (station TEXT NOT NULL, port TEXT NOT NULL, device TEXT, last_job_id TEXT NOT NULL,"
        " last_time BIGINT NOT NULL, last_outcome TEXT, verified_job_id TEXT, verified_digest TEXT,"
        " verified_time BIGINT, PRIMARY KEY (station, port))",
    };
}

// Version 1 -> 2: the line's page. The stations' live state, the released
// digests, each failed job's cause, each box's slot and last check (filled
// from the jobs already held: the newest "verify" job of the box).
std::vector<std::string> toVersion2()
{
    const std::string lastCheck = "(SELECT j.job_id FROM jobs j WHERE j.station = boxes.station AND j.port = boxes.port"
                                  " AND j.command = 'verify' ORDER BY j.job_time DESC, j.id DESC LIMIT 1)";
    const auto ofCheck = [](const char* column) {
        return std::string("(SELECT j.") + column + " FROM jobs j WHERE j.job_id = boxes.check_job_id)";
    };
    return {
        "CREATE TABLE station_status (station TEXT PRIMARY KEY, status TEXT NOT NULL, received BIGINT NOT NULL)",
        "CREATE TABLE releases (job_digest TEXT PRIMARY KEY, device TEXT, user_rom_checksum TEXT,"
        " boot_rom_checksum TEXT, files TEXT NOT NULL, note TEXT, released_by TEXT NOT NULL,"
        " released_at BIGINT NOT NULL, revoked_by TEXT, revoked_at BIGINT)",
        "ALTER TABLE jobs ADD COLUMN cause TEXT",
        "CREATE INDEX jobs_failed_time ON jobs (job_time, outcome, cause)"
        " WHERE outcome <> 'success' AND outcome <> 'cancelled'",
        "ALTER TABLE boxes ADD COLUMN slot BIGINT",
        "UPDATE boxes SET slot = (SELECT j.slot FROM jobs j WHERE j.job_id = boxes.last_job_id)",
        "ALTER TABLE boxes ADD COLUMN check_job_id TEXT",
        "ALTER TABLE boxes ADD COLUMN check_time BIGINT",
        "ALTER TABLE boxes ADD COLUMN check_outcome TEXT",
        "ALTER TABLE boxes ADD COLUMN check_digest TEXT",
        "UPDATE boxes SET check_job_id = " + lastCheck,
        "UPDATE boxes SET check_time = " + ofCheck("job_time") + ", check_outcome = " + ofCheck("outcome")
            + ", check_digest = " + ofCheck("job_digest") + " WHERE check_job_id IS NOT NULL",
    };
}

// Step i takes the schema from version i to i + 1.
std::vector<std::vector<std::string>> migrations(const SqlDialect& d)
{
    return {toVersion1(d), toVersion2()};
}

void refuseNewer(int version)
{
    if (version > kSchemaVersion)
        throw StoreRefused("the database holds schema version " + std::to_string(version)
                           + ", newer than this plx71line knows (" + std::to_string(kSchemaVersion)
                           + "): use a newer plx71line; the database was left as it is");
}

} // namespace

int schemaVersion(SqlSession& session)
{
    if (!session.hasTable("schema_version"))
        return 0;
    const SqlRows rows = session.query("SELECT MAX(version) FROM schema_version");
    if (rows.empty() || rows[0].empty() || !rows[0][0])
        return 0;
    return std::stoi(*rows[0][0]);
}

void prepareSchema(SqlSession& session)
{
    // A look first, without writing: a current database opened read-only
    // still serves the read API.
    session.begin();
    int version = 0;
    try {
        version = schemaVersion(session);
        session.commit();
    } catch (...) {
        session.rollback();
        throw;
    }
    refuseNewer(version);
    if (version == kSchemaVersion)
        return;
    session.beginSchemaChange();
    try {
        version = schemaVersion(session); // another server may have been first
        refuseNewer(version);
        const auto steps = migrations(session.dialect());
        for (int v = version; v < kSchemaVersion; ++v) {
            for (const std::string& statement : steps[std::size_t(v)])
                session.execute(statement);
        }
        if (version == 0)
            session.execute("INSERT INTO schema_version (version) VALUES (?)", {std::int64_t(kSchemaVersion)});
        else if (version < kSchemaVersion)
            session.execute("UPDATE schema_version SET version = ?", {std::int64_t(kSchemaVersion)});
        session.commit();
    } catch (...) {
        session.rollback();
        throw;
    }
}

} // namespace plx71::line
