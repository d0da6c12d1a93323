#pragma once
// Ctrl-C and SIGTERM (Ctrl-C, Ctrl-Break and closing the console on
// Windows) call `stop` once, from a thread of their own, so a server ends
// its requests in progress and returns. Made before the server starts its
// threads, which inherit the blocked signals.
#include <functional>
#include <thread>

namespace plx71::line {

class StopOnSignals {
public:
    explicit StopOnSignals(std::function<void()> stop);
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

private:
    std::function<void()> stop_;
    std::thread waiter_;
};

} // namespace plx71::line
