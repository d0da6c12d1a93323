#pragma once
// The line's record: one store interface, kept in SQLite (one file, the
// default) or PostgreSQL (a line on several PCs). The server keeps nothing
// of its own: every answer comes from the store, so several servers may
// share one PostgreSQL database.
#include "store/line_state.hpp"
#include "store/record_columns.hpp"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace plx71::line {

// The store cannot take or give anything now (database away, disk full,
// file read-only): nothing was changed, the caller may try again later.
class StoreUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The request names something the store cannot answer (an unknown cursor).
class StoreBadQuery : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One record line as received: its jobId, its text (kept verbatim) and the
// fields the store indexes.
struct IncomingRecord {
    std::string jobId;
    std::string text;
    RecordColumns columns;
};

// One POST of a station: its records, held in one transaction.
struct RecordBatch {
    std::string station;                 // the sender, as it names itself
    std::optional<std::int64_t> backlog; // lines still waiting at the sender
    std::int64_t received = 0;           // Unix seconds, when the server got it
    std::vector<IncomingRecord> records;
};

struct BatchResult {
    int stored = 0;     // new jobs
    int duplicates = 0; // jobIds the store already held
};

struct JobQuery {
    std::optional<std::int64_t> since; // Unix seconds, inclusive
    std::optional<std::int64_t> until; // exclusive
    std::string station, outcome;      // empty: any
    int limit = 100;
    std::string beforeJob; // jobId: the page after that job (newest first)
};

struct JobPage {
    std::vector<std::string> records; // verbatim record text, newest first
    std::string next;                 // jobId cursor of the next page, empty at the end
};

struct StationRow {
    std::string name;
    std::int64_t jobs = 0, passed = 0;
    std::optional<std::int64_t> lastJobTime;
    std::optional<std::int64_t> backlog, backlogReported;
};

// One box as the line knows it: a port identity at a station.
struct BoxRow {
    std::string station, port, device;
    std::string lastJobId, lastOutcome;
    std::int64_t lastTime = 0;
    std::string verifiedJobId, verifiedDigest; // empty: never verified
    std::optional<std::int64_t> verifiedTime;
    std::optional<std::int64_t> slot; // of its last job
    bool verifiedReleased = false;    // the verified digest is released now
    // Its last check (a "verify" job): what it held then; empty: never checked.
    std::string checkJobId, checkOutcome, checkDigest;
    std::optional<std::int64_t> checkTime;
};

enum class YieldBucket { Hour, Shift, Day };

struct YieldRow {
    std::int64_t start = 0;                                       // Unix seconds
    std::int64_t jobs = 0, passed = 0, failed = 0, cancelled = 0; // jobs without an outcome: neither
};

struct JobCount {
    std::string station, outcome;
    std::int64_t jobs = 0;
};

class JobStore {
public:
    virtual ~JobStore() = default;

    // Stores every record of the batch whose jobId is new, all or nothing.
    virtual BatchResult add(const RecordBatch& batch) = 0;
    virtual JobPage jobs(const JobQuery& query) = 0;
    virtual std::vector<StationRow> stations() = 0;
    virtual std::vector<BoxRow> boxes() = 0;
    virtual std::vector<YieldRow> yield(YieldBucket by, std::int64_t since, const std::string& station) = 0;
    virtual std::vector<JobCount> jobCounts() = 0;

    // The stations' live state: the newest status of a station replaces
    // the one before (an older one arriving late is ignored).
    virtual void putStatus(const StationStatus& status) = 0;
    virtual std::vector<StationStatus> statuses() = 0;
    // Releases: a digest released again while active is left as it is; a
    // revoked one is released anew.
    virtual ReleaseResult release(const Release& release) = 0;
    // The release as revoked; nullopt when the digest is not released.
    virtual std::optional<Release> revoke(const std::string& jobDigest, const std::string& by, std::int64_t at) = 0;
    virtual std::vector<Release> releases() = 0; // newest first, revoked ones too
    virtual std::optional<Release> activeRelease(const std::string& jobDigest) = 0;
    // The page's yield summary from `since` on (station empty: all).
    virtual std::vector<FailureCause> failureCauses(std::int64_t since, const std::string& station, int limit) = 0;
    virtual FirstPass firstPass(std::int64_t since, const std::string& station) = 0;
    // What --help and the start line say about the store ("sqlite:line.db").
    virtual std::string description() const = 0;
};

} // namespace plx71::line
