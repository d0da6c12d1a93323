#pragma once
// The software writer box as every test uses it: a simulator with short
// pauses, and readers of what it received. The box's state is reached
// through state() as for any simulator.
#include "plx71sim/simulator.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace plx71::test {

using namespace std::chrono_literals;

inline plx71sim::Options quickBox()
{
    plx71sim::Options o;
    o.box.busyTime = 5ms;
    return o;
}

class SimBox : public plx71sim::Simulator {
public:
    explicit SimBox(const plx71sim::Options& options = quickBox()) : Simulator(options) {}

    // Every request the box received, in order: a copy taken under the lock,
    // so that it can be walked while the box goes on.
    std::vector<plx71sim::ReceivedCommand> receivedCommands() const { return state()->box.received(); }
    void clearReceivedCommands() { state()->box.clearReceived(); }

    bool waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const
    {
        return waitFor([&] { return state()->box.received().size() >= count; }, timeout);
    }

    // The PC side has closed the port and the box rests at 9600 bit/s.
    bool resting(std::chrono::milliseconds timeout = 5s) const
    {
        return waitFor(
            [&] {
                auto s = state();
                return s->portOpenCount == 0 && s->box.rate() == 9600;
            },
            timeout);
    }
};

// Every request the box took in (acknowledged or answered), in order.
inline std::vector<plx71sim::ReceivedCommand> accepted(const plx71sim::Simulator& sim)
{
    std::vector<plx71sim::ReceivedCommand> out;
    const auto received = sim.state()->box.received();
    for (auto& c : received) {
        if (c.outcome == plx71sim::Outcome::Acked || c.outcome == plx71sim::Outcome::Replied)
            out.push_back(c);
    }
    return out;
}

// Bytes that differ from page to page and from the blank value.
inline std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed)
{
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::uint8_t((i * 7 + (i >> 8) * 13 + seed) % 251);
    return out;
}

inline std::vector<std::uint8_t> codes(const std::vector<plx71sim::ReceivedCommand>& cmds)
{
    std::vector<std::uint8_t> out;
    for (auto& c : cmds)
        out.push_back(c.code);
    return out;
}

inline std::size_t countCode(const std::vector<plx71sim::ReceivedCommand>& cmds, std::uint8_t code)
{
    return std::size_t(std::count_if(cmds.begin(), cmds.end(), [code](auto& c) { return c.code == code; }));
}

// The page number of a page request (its first two payload bytes).
inline std::uint16_t pageOf(const plx71sim::ReceivedCommand& c)
{
    return std::uint16_t(c.payload.at(0) | (c.payload.at(1) << 8));
}

} // namespace plx71::test
