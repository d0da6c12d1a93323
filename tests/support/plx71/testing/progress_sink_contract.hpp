#pragma once
// What every ProgressSink keeps, whichever display it is: the body runs on
// another thread and has ended when runTransfer returns; the result is true
// exactly when the counters end below the abort mark; the sink never
// restarts the counters; phases may come from any thread; Cancel, where the
// display has one, sets the mark for good and the body sees it. Each rule
// runs on a fresh sink; the checks say what broke (empty: all kept), so both
// GoogleTest and Qt Test can run them.
#include "plx71/ops/progress_sink.hpp"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace plx71::test {

struct SinkRig {
    virtual ~SinkRig() = default;
    virtual ProgressSink& sink() = 0;
    // Presses the display's Cancel from the body's thread; false when the
    // display has no Cancel the test can press.
    virtual bool pressCancel() { return false; }
};

using SinkRigMaker = std::function<std::unique_ptr<SinkRig>()>;

inline std::string checkProgressSinkContract(const SinkRigMaker& make)
{
    std::string broken;
    const TransferView view{TransferKind::Download, std::string(kDownloadTitle), "user.hex"};
    {
        auto rig = make();
        ProgressCounters counters;
        counters.start(4096);
        counters.advance(256); // before the display opened: it stays
        std::atomic<bool> ended{false};
        std::int32_t doneAtStart = -1;
        std::thread::id bodyThread;
        rig->sink().phaseChanged(ProgressPhase::UserPages);
        const bool ok = rig->sink().runTransfer(view, counters, [&] {
            bodyThread = std::this_thread::get_id();
            doneAtStart = counters.done();
            rig->sink().phaseChanged(ProgressPhase::BootPages);
            for (int i = 1; i < 16; ++i) {
                counters.advance(256);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ended = true;
        });
        if (!ok)
            broken += "a finished body: not true\n";
        if (!ended)
            broken += "returned before the body ended\n";
        if (bodyThread == std::this_thread::get_id())
            broken += "the body ran on the caller's thread\n";
        if (doneAtStart != 256 || counters.total() != 4096 || counters.done() != 4096)
            broken += "the counters were restarted\n";
        if (rig->sink().cancelRequested())
            broken += "Cancel asked without anyone pressing it\n";
    }
    {
        auto rig = make();
        ProgressCounters counters;
        counters.start(100);
        if (rig->sink().runTransfer(view, counters, [&] { counters.abort(); }))
            broken += "a body that failed by itself: not false\n";
    }
    {
        auto rig = make();
        ProgressCounters counters;
        counters.start(1 << 30);
        bool pressed = false;
        bool sawMark = false;
        const bool ok = rig->sink().runTransfer(view, counters, [&] {
            pressed = rig->pressCancel();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (pressed && counters.running() && std::chrono::steady_clock::now() < deadline) {
                counters.advance(1);
                std::this_thread::yield();
            }
            sawMark = !counters.running();
        });
        if (pressed && (ok || !sawMark || counters.done() != counters.abortMark()))
            broken += "Cancel: the body did not stop at the abort mark, or the result was true\n";
    }
    return broken;
}

} // namespace plx71::test
