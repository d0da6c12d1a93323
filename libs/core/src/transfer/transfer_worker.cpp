#include "plx71/transfer/transfer_worker.hpp"

#include "plx71/transfer/progress_counters.hpp"

#include <utility>

namespace plx71 {

void TransferWorker::start(std::function<void()> body, std::function<void()> onEnd)
{
    join(); // one worker at a time
    thread_ = std::thread([body = std::move(body), onEnd = std::move(onEnd)] {
        if (body)
            body();
        if (onEnd)
            onEnd();
    });
}

void TransferWorker::join()
{
    if (!thread_.joinable())
        return;
    // An end callback that reaches back to its own worker must not deadlock.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    thread_.join();
}

bool runTransfer(ProgressCounters& counters, const std::function<void()>& body)
{
    TransferWorker worker;
    worker.start(body);
    worker.join();
    return !counters.aborted();
}

} // namespace plx71
