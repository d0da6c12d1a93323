#pragma once
// The production record the station appends a line to for every job, and
// what this session's jobs came to.
#include "station_slot.hpp"

#include <QString>

#include <string>

namespace plx71::station {

struct StationRecord {
    QString path; // empty: no record

    bool empty() const { return path.isEmpty(); }
    std::string utf8Path() const;
    // True when a line can be appended now (or there is no record).
    bool writable() const;
};

// This session's jobs as their tiles show them: Verified, Cancelled, and
// every other end as failed.
struct JobTotals {
    int passed = 0;
    int failed = 0;
    int cancelled = 0;

    void count(SlotState end);
};

} // namespace plx71::station
