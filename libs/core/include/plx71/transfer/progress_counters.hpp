#pragma once
// The pair of counters a transfer worker shares with whoever watches it.
// Cancel (or a failing command) moves `done` to the abort mark, total + 1000;
// the worker advances with compare-and-exchange so the mark is never lost.
#include <atomic>
#include <cstdint>

namespace plx71 {

inline constexpr std::int32_t kAbortMargin = 1000;

class ProgressCounters {
public:
    // Sets total and done = 0.
    void start(std::int32_t total);

    std::int32_t total() const { return total_.load(); }
    std::int32_t done() const { return done_.load(); }
    std::int32_t abortMark() const { return total_.load() + kAbortMargin; }

    // done += n, unless the abort mark has been set meanwhile.
    void advance(std::int32_t n);
    // done = total + 1000 (Cancel, or a failed command in the worker).
    void abort();

    bool aborted() const { return done_.load() >= abortMark(); }
    // The worker's "running": done < total.
    bool running() const { return done_.load() < total_.load(); }

private:
    std::atomic<std::int32_t> total_{0};
    std::atomic<std::int32_t> done_{0};
};

} // namespace plx71
