#pragma once
// The box's stored job on disk, so it survives restarts. A small text file:
// a header line, then one "key hex" line per field and per stored page.
#include <string>

#include "plx71sim/stored_job.hpp"

namespace plx71sim {

// Reads `path` into `job`. On any fault returns false with `error` set and
// leaves `job` untouched.
bool loadState(const std::string& path, StoredJob& job, std::string& error);

// Writes a temporary file beside `path` and renames it over `path`, so a
// crash never leaves half a file.
bool saveState(const std::string& path, const StoredJob& job, std::string& error);

} // namespace plx71sim
