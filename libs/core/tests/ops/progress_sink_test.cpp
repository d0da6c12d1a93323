// The window-less sink: progress ticks, and the contract of every sink with
// Cancel from the caller and counters shared with a busy worker (run under
// TSan by scripts/ci/tsan.sh).
#include "plx71/ops/progress_sink.hpp"
#include "plx71/testing/progress_sink_contract.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace plx71 {
namespace {

using namespace std::chrono_literals;

TEST(PollingSink, TicksShowTheTransferUpToItsEnd)
{
    std::atomic<int> ticks{0};
    std::int32_t lastDone = -1;
    PollingSinkOptions o;
    o.tick = 1ms;
    o.onTick = [&](const TransferView& v, const ProgressCounters& c) {
        EXPECT_EQ(v.title, "Saving...");
        lastDone = c.done();
        ++ticks;
    };
    PollingProgressSink sink(o);
    ProgressCounters counters;
    counters.start(4096);
    EXPECT_TRUE(sink.runTransfer({TransferKind::Download, "Saving...", "x"}, counters, [&] {
        for (int i = 0; i < 16; ++i)
            counters.advance(256);
    }));
    EXPECT_EQ(lastDone, 4096); // the last tick shows the end
    EXPECT_GE(ticks.load(), 1);
}

// Cancel is the caller's answer, asked at every tick.
struct PollingRig : test::SinkRig {
    std::atomic<bool> cancel{false};
    PollingProgressSink polling{PollingSinkOptions{[this] { return cancel.load(); }, {}, {}, 1ms, {}}};
    ProgressSink& sink() override { return polling; }
    bool pressCancel() override
    {
        cancel = true;
        return true;
    }
};

TEST(PollingSink, KeepsTheProgressSinkContract)
{
    EXPECT_EQ(test::checkProgressSinkContract([] { return std::make_unique<PollingRig>(); }), "");
}

} // namespace
} // namespace plx71
