#include "plx71/ops/transfer_runner.hpp"

#include "plx71/transfer/transfer_worker.hpp"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace plx71 {

namespace {

// The worker's end, as the waiting thread sees it.
struct EndSignal {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;

    void set()
    {
        std::lock_guard lock(mutex);
        ended = true;
        changed.notify_all();
    }
    // True once ended; waits at most `tick` for it.
    bool waitFor(std::chrono::milliseconds tick)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, tick, [this] { return ended; });
    }
};

} // namespace

TransferRunner makePollingRunner(PollingRunnerOptions options)
{
    return [options = std::move(options)](const TransferView& view, ProgressCounters& counters,
                                           std::function<void()> body) {
        auto end = std::make_shared<EndSignal>();
        TransferWorker worker;
        worker.start(std::move(body), [end] { end->set(); });
        while (!end->waitFor(options.tick)) {
            if (options.cancelRequested && options.cancelRequested())
                counters.abort(); // like Cancel: the worker notices it at its next check
            if (options.onTick)
                options.onTick(view, counters);
        }
        worker.join();
        if (options.onTick)
            options.onTick(view, counters);
        return !counters.aborted();
    };
}

} // namespace plx71
