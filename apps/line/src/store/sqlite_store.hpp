#pragma once
// The line's record in one SQLite file: nothing to set up. WAL and a busy
// timeout let several stations write at once; a batch is one transaction.
#include "store/job_store.hpp"

#include <memory>
#include <string>

namespace plx71::line {

// Opens (creating when missing) the database file at `path`.
std::unique_ptr<JobStore> openSqliteStore(const std::string& path);

} // namespace plx71::line
