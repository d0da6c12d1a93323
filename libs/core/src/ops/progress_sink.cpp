#include "plx71/ops/progress_sink.hpp"

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

std::string_view progressPhaseName(ProgressPhase phase)
{
    switch (phase) {
    case ProgressPhase::Connect:
        return "connect";
    case ProgressPhase::Settings:
        return "settings";
    case ProgressPhase::Erase:
        return "erase";
    case ProgressPhase::UserPages:
        return "user-pages";
    case ProgressPhase::BootPages:
        return "boot-pages";
    case ProgressPhase::Commit:
        return "commit";
    case ProgressPhase::Verify:
        return "verify";
    case ProgressPhase::LoaderPrepare:
        return "loader-prepare";
    case ProgressPhase::FirmwarePages:
        return "firmware-pages";
    case ProgressPhase::Closing:
        return "closing";
    }
    return "unknown";
}

void PollingProgressSink::phaseChanged(ProgressPhase phase)
{
    if (options_.onPhase)
        options_.onPhase(phase);
}

void PollingProgressSink::phaseNote(const std::string& note)
{
    if (options_.onNote)
        options_.onNote(note);
}

bool PollingProgressSink::cancelRequested() const
{
    return options_.cancelRequested && options_.cancelRequested();
}

bool PollingProgressSink::runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body)
{
    auto end = std::make_shared<EndSignal>();
    TransferWorker worker;
    worker.start(std::move(body), [end] { end->set(); });
    while (!end->waitFor(options_.tick)) {
        if (cancelRequested())
            counters.abort(); // like Cancel: the worker notices it at its next check
        if (options_.onTick)
            options_.onTick(view, counters);
    }
    worker.join();
    if (options_.onTick)
        options_.onTick(view, counters);
    return !counters.aborted();
}

} // namespace plx71
