#include "plx71/transfer/transfer_worker.hpp"

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
    // Owner side only: the end callback runs on the worker and must not join it.
    if (thread_.joinable())
        thread_.join();
}

} // namespace plx71
