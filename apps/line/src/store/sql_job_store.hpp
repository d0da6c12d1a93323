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
    std::string description() const override { return description_; }

private:
    SessionPool pool_;
    std::string description_;
};

} // namespace plx71::line
