#pragma once
// The production record the station appends a line to for every job, and
// what this session's jobs added to it.
#include "plx71/ops/box_outcome.hpp"

#include <QString>

#include <string>

namespace plx71::station {

struct StationRecord {
    QString path; // empty: no record
    int passed = 0;
    int failed = 0;

    bool empty() const { return path.isEmpty(); }
    std::string utf8Path() const;
    // True when a line can be appended now (or there is no record).
    bool writable() const;
    // Counts the line a job that ended has added.
    void count(const BoxOutcome& outcome);
};

} // namespace plx71::station
