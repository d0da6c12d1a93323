#pragma once
// The store's queries, the same for SQLite and PostgreSQL: each
// implementation is a connection (SqlSession) and this.
#include "store/job_store.hpp"
#include "store/session_pool.hpp"

#include <string>

namespace plx71::line {

class SqlJobStore : public JobStore {
public:
    // Connects once and brings the schema up to date: throws StoreRefused
    // for a newer schema, StoreUnavailable when the database is away.
    SqlJobStore(SessionPool::Connect connect, std::string description);

    BatchResult add(const RecordBatch& batch) override;
    JobPage jobs(const JobQuery& query) override;
    std::vector<StationRow> stations() override;
    std::vector<BoxRow> boxes() override;
    std::vector<YieldRow> yield(YieldBucket by, std::int64_t since, const std::string& station) override;
    std::vector<JobCount> jobCounts() override;
    // The live state, the releases and the yield summary (sql_line_state.cpp).
    void putStatus(const StationStatus& status) override;
    std::vector<StationStatus> statuses() override;
    ReleaseResult release(const Release& release) override;
    std::optional<Release> revoke(const std::string& jobDigest, const std::string& by, std::int64_t at) override;
    std::vector<Release> releases() override;
    std::optional<Release> activeRelease(const std::string& jobDigest) override;
    std::vector<FailureCause> failureCauses(std::int64_t since, const std::string& station, int limit) override;
    FirstPass firstPass(std::int64_t since, const std::string& station) override;
    std::string description() const override { return description_; }

private:
    SessionPool pool_;
    std::string description_;
};

} // namespace plx71::line
