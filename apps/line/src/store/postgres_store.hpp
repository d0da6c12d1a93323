#pragma once
// The line's record in PostgreSQL, for a line whose stations sit on several
// PCs; several plx71line may serve one database.
#include "store/job_store.hpp"

#include <memory>
#include <string>

namespace plx71::line {

// `conninfo` in any form libpq takes: "postgresql://USER@HOST:PORT/DB",
// "host=... dbname=...", or empty for the PG* environment variables alone.
std::unique_ptr<JobStore> openPostgresStore(const std::string& conninfo);

// The connection text with its password, if any, hidden: for messages.
std::string withoutPassword(const std::string& conninfo);

} // namespace plx71::line
