#pragma once
// What the line's page shows besides the jobs: the stations' live state,
// the released job digests, and the yield figures the page sums up. Kept in
// the store like the jobs, so every server of a line gives the same answer.
#include <cstdint>
#include <optional>
#include <string>

namespace plx71::line {

// What a station last said of its tiles (POST /api/v1/stations/NAME/status):
// the JSON as received, and when this server got it.
struct StationStatus {
    std::string station;
    std::string json;
    std::int64_t received = 0; // Unix seconds
};

// A job digest a line engineer released: stations with "Only released jobs"
// run it. A revoked release stays listed, with who revoked it and when.
struct Release {
    std::string jobDigest; // 64 lower-case hex digits
    std::string device, userRomChecksum, bootRomChecksum;
    std::string files = "[]"; // JSON array as released
    std::string note, releasedBy;
    std::int64_t releasedAt = 0;
    std::string revokedBy;
    std::optional<std::int64_t> revokedAt;

    bool active() const { return !revokedAt; }
};

struct ReleaseResult {
    Release release;      // as the store holds it now
    bool created = false; // false: the digest was released already, nothing changed
};

// Failed jobs of one outcome class and cause (the record's "cause", else
// its port problem's; empty when it has none).
struct FailureCause {
    std::string outcome, cause;
    std::int64_t jobs = 0;
};

// First attempts: jobs (not cancelled) that do not follow a failed job of
// the same command on the same box; those of them that passed.
struct FirstPass {
    std::int64_t attempts = 0, passed = 0;
};

} // namespace plx71::line
