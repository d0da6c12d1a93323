#pragma once
// The PC side of tests that talk to the software writer box (sim_box.hpp)
// over a real pseudo-terminal: short link pauses, a port that sees each
// request frame as it goes out, a gate to hold a worker at a point.
#include "link/frame.hpp"
#include "plx71/port/serial_port.hpp"
#include "plx71/testing/sim_box.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace plx71::test {

using namespace std::chrono_literals;

// Distinct short pauses, so a recorded sleep tells which pause it was. The
// read time-outs keep the system's values: they cost time only when the box
// stays silent, and under a sanitizer on a loaded machine a shorter gap is
// sometimes taken for a silent box.
inline LinkTiming quickTiming()
{
    LinkTiming t;
    t.sendRetrySleep = 11ms;
    t.exchangeRetrySleep = 10ms;
    t.rateSwitchPauseBefore = 12ms;
    t.rateSwitchPauseAfter = 13ms;
    t.loaderPrepareWait = 40ms;
    t.statusPollSleep = 2ms;
    t.lowVccPagePause = 3ms;
    t.paceWrites = false;
    return t;
}

// The system's port, with a hook that sees every request frame just before
// it goes out (on whichever thread sends it), e.g. to switch a fault on for
// exactly that command.
class HookedPort : public SerialPort {
public:
    using Hook = std::function<void(std::uint8_t code, std::span<const std::uint8_t> payload)>;

    explicit HookedPort(Hook hook) : inner_(makeSystemSerialPort()), hook_(std::move(hook)) {}

    bool open(const std::string& name, int rate, const LinkTiming& t) override { return inner_->open(name, rate, t); }
    bool setRate(int rate) override { return inner_->setRate(rate); }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    bool write(std::span<const std::uint8_t> bytes, const LinkTiming& t) override
    {
        if (bytes.size() >= 4 && hook_ && frameWireSize(bytes) == bytes.size())
            hook_(bytes[2], bytes.subspan(3, bytes.size() - 4));
        return inner_->write(bytes, t);
    }
    std::size_t read(std::span<std::uint8_t> buffer, const LinkTiming& t) override { return inner_->read(buffer, t); }
    void discardInput() override { inner_->discardInput(); }
    bool takeParityError() override { return inner_->takeParityError(); }
    bool reportsParityErrors() const override { return inner_->reportsParityErrors(); }

private:
    std::unique_ptr<SerialPort> inner_;
    Hook hook_;
};

// Lets a worker thread stop at a point until the test thread has done its
// part; both sides give up after a deadline so nothing hangs.
class Gate {
public:
    // Worker side: say it has arrived, then wait to be let through.
    void arriveAndWait()
    {
        std::unique_lock lock(mutex_);
        arrived_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, 10s, [this] { return open_; });
    }
    bool arrived() const
    {
        std::lock_guard lock(mutex_);
        return arrived_;
    }
    void open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool arrived_ = false;
    bool open_ = false;
};

} // namespace plx71::test
