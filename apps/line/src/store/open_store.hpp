#pragma once
// The store a --db URL names.
#include "store/job_store.hpp"

#include <memory>
#include <string>

namespace plx71::line {

inline constexpr const char* kDefaultDatabase = "sqlite:line.db";

// Whether this build holds the PostgreSQL store.
bool havePostgres();

// "sqlite:PATH", "postgresql://..." / "postgres://...", or "postgresql:"
// followed by libpq's keyword form ("postgresql:host=/run/x dbname=line");
// "postgresql:" alone takes everything from the PG* variables. Throws
// std::invalid_argument for anything else, StoreRefused and
// StoreUnavailable as the stores do.
std::unique_ptr<JobStore> openStore(const std::string& url);

} // namespace plx71::line
