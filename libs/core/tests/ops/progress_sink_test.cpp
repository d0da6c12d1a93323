// The window-less sink: Cancel from the caller, progress ticks, and the
// counters shared with a busy worker (run under TSan by scripts/ci/tsan.sh).
#include "plx71/ops/progress_sink.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace plx71 {
namespace {

using namespace std::chrono_literals;

TEST(PollingSink, CompletesWithAFullBarOrStopsAtTheAbortMarkOnCancel)
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

    // Cancel arrives while the worker keeps advancing: the mark is never
    // lost, and the worker sees it at its next check.
    std::atomic<bool> cancel{false};
    std::atomic<int> beyondTotal{0};
    PollingSinkOptions c;
    c.tick = 1ms;
    c.cancelRequested = [&] { return cancel.load(); };
    counters.start(1 << 30);
    const bool ok = PollingProgressSink(c).runTransfer({TransferKind::Download, "t", ""}, counters, [&] {
        int units = 0;
        while (counters.running()) {
            counters.advance(1);
            if (++units == 1000)
                cancel = true;
        }
        beyondTotal = counters.done() - counters.total();
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(counters.done(), counters.abortMark());
    EXPECT_EQ(beyondTotal.load(), kAbortMargin);
}

TEST(PollingSink, AWorkerThatFailsByItselfEndsLikeCancel)
{
    ProgressCounters counters;
    counters.start(100);
    std::atomic<bool> asked{false};
    PollingSinkOptions o;
    o.tick = 1ms;
    o.cancelRequested = [&] {
        asked = true;
        return false;
    };
    EXPECT_FALSE(PollingProgressSink(o).runTransfer({}, counters, [&] {
        // Long enough for the runner to look at least once.
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (!asked && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        counters.abort();
    }));
    EXPECT_TRUE(asked.load());
    EXPECT_TRUE(counters.aborted());
}

} // namespace
} // namespace plx71
