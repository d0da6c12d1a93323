#pragma once
// One worker thread for one transfer. The body runs on the worker; the end
// callback runs on the worker right after it (a GUI turns it into a queued
// call that closes its progress dialog). The owner joins before reuse.
#include <functional>
#include <thread>

namespace plx71 {

class TransferWorker {
public:
    TransferWorker() = default;
    TransferWorker(const TransferWorker&) = delete;
    TransferWorker& operator=(const TransferWorker&) = delete;
    ~TransferWorker() { join(); }

    void start(std::function<void()> body, std::function<void()> onEnd = {});
    void join();
    bool joinable() const { return thread_.joinable(); }

private:
    std::thread thread_;
};

} // namespace plx71
