#include "plx71/transfer/progress_counters.hpp"
#include "plx71/transfer/transfer_worker.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace plx71;

namespace {

// Waits (yielding, no fixed sleep) until `done` holds or the deadline passes.
template <class Pred>
bool waitFor(Pred done, std::chrono::seconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace

TEST(ProgressCounters, AbortMarkAndAdvance)
{
    ProgressCounters c;
    c.start(0x45000);
    EXPECT_EQ(c.total(), 0x45000);
    EXPECT_EQ(c.done(), 0);
    EXPECT_TRUE(c.running());
    c.advance(0x100);
    EXPECT_EQ(c.done(), 0x100);

    c.abort();
    c.abort(); // Cancel twice: still exactly the mark
    EXPECT_EQ(c.done(), 0x45000 + 1000);
    EXPECT_TRUE(c.aborted());
    c.advance(0x100);
    EXPECT_EQ(c.done(), 0x45000 + 1000) << "advancing never moves a set mark";

    // Units that add up to exactly the total: complete, not aborted.
    c.start(1024);
    for (int i = 0; i < 4; ++i)
        c.advance(256);
    EXPECT_EQ(c.done(), 1024);
    EXPECT_FALSE(c.running());
    EXPECT_FALSE(c.aborted());

    // Overshooting progress is still progress, never an abort.
    c.advance(5000);
    EXPECT_FALSE(c.aborted());
    EXPECT_EQ(c.done(), c.abortMark() - 1);

    // A new start clears the mark.
    c.start(10);
    EXPECT_EQ(c.done(), 0);
    EXPECT_FALSE(c.aborted());
}

TEST(ProgressCounters, AbortIsNeverLostToAConcurrentAdvance)
{
    for (int round = 0; round < 300; ++round) {
        ProgressCounters c;
        c.start(1 << 30);
        std::thread worker([&] {
            while (!c.aborted())
                c.advance(1);
        });
        ASSERT_TRUE(waitFor([&] { return c.done() > round; }));
        c.abort();
        worker.join();
        ASSERT_EQ(c.done(), c.total() + 1000) << "round " << round;
    }
}

TEST(TransferWorker, RunsBodyThenEndOnTheWorker)
{
    std::vector<int> order;
    std::thread::id bodyThread, endThread;
    const auto self = std::this_thread::get_id();
    {
        TransferWorker w;
        w.start(
            [&] {
                bodyThread = std::this_thread::get_id();
                order.push_back(1);
            },
            [&] {
                endThread = std::this_thread::get_id();
                order.push_back(2);
            });
        EXPECT_TRUE(w.joinable());
        w.join();
        EXPECT_FALSE(w.joinable());
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_NE(bodyThread, self);
    EXPECT_EQ(bodyThread, endThread);

    // One worker reused; the second start waits for the first.
    TransferWorker w;
    std::atomic<int> runs{0};
    w.start([&] { ++runs; });
    w.start([&] { ++runs; });
    w.join();
    EXPECT_EQ(runs.load(), 2);
}

TEST(TransferWorker, TheOwnerSeesTheAbortMarkAfterJoining)
{
    ProgressCounters c;
    c.start(4096);
    TransferWorker worker;
    worker.start([&] {
        while (c.running())
            c.advance(256);
    });
    worker.join();
    EXPECT_FALSE(c.aborted());
    EXPECT_EQ(c.done(), 4096);

    c.start(4096);
    worker.start([&] {
        c.advance(256);
        c.abort(); // a failing command sets the mark
    });
    worker.join();
    EXPECT_TRUE(c.aborted());
    EXPECT_EQ(c.done(), 4096 + 1000);
}
