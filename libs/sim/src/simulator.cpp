#include "plx71sim/simulator.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "plx71sim/state_file.hpp"
#include "simulator_engine.hpp"

namespace plx71sim {

Simulator::Simulator(Options options) : shared_(std::make_shared<Shared>(std::move(options))) {}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start()
{
    std::lock_guard startLock(lifecycle_);
    Shared& s = *shared_;
    const Options& options = s.options;
    {
        std::lock_guard lk(s.mutex);
        if (s.running)
            return true;
    }
    std::string error;
    auto fail = [&](const std::string& e) {
        std::lock_guard lk(s.mutex);
        s.error = e;
        engine_.reset();
        return false;
    };
    if (!options.statePath.empty()) {
        struct stat st;
        if (::stat(options.statePath.c_str(), &st) == 0) {
            StoredJob job;
            if (!loadState(options.statePath, job, error))
                return fail(error);
            std::lock_guard lk(s.mutex);
            s.state.box.job() = std::move(job);
            s.state.unsaved = false;
        }
    }
    if (!options.firmwareVersionOverride.empty()) {
        std::lock_guard lk(s.mutex);
        s.state.box.job().firmwareVersion = versionField(options.firmwareVersionOverride);
    }
    engine_ = std::make_unique<Engine>(shared_);
    if (!engine_->open(error))
        return fail(error);
    const std::string slave = engine_->slavePath();
    if (!options.linkPath.empty()) {
        struct stat st;
        if (::lstat(options.linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                return fail(options.linkPath + " exists and is not a symbolic link; not replaced");
            ::unlink(options.linkPath.c_str());
        }
        if (::symlink(slave.c_str(), options.linkPath.c_str()) != 0)
            return fail("cannot link " + options.linkPath + ": " + std::strerror(errno));
    }
    {
        std::lock_guard lk(s.mutex);
        s.state.box.setRate(kRestRate);
        s.slavePath = slave;
        s.state.portOpenCount = 0;
        s.running = true;
    }
    thread_ = std::thread([this] { engine_->run(); });
    return true;
}

void Simulator::stop()
{
    std::lock_guard startLock(lifecycle_);
    if (!engine_)
        return;
    engine_->requestStop();
    if (thread_.joinable())
        thread_.join();
    Shared& s = *shared_;
    s.saveNow();
    const std::string& link = s.options.linkPath;
    if (!link.empty()) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == engine_->slavePath())
            ::unlink(link.c_str());
    }
    engine_.reset();
    {
        std::lock_guard lk(s.mutex);
        s.running = false;
        s.slavePath.clear();
        s.state.portOpenCount = 0;
    }
    s.notify();
}

void Shared::saveNow()
{
    if (options.statePath.empty())
        return;
    StoredJob copy;
    {
        std::lock_guard lk(mutex);
        if (!state.unsaved)
            return;
        copy = state.box.job();
        state.unsaved = false;
    }
    std::string e;
    if (!saveState(options.statePath, copy, e)) {
        std::lock_guard lk(mutex);
        error = e;
        state.unsaved = true;
    }
}

bool Simulator::running() const
{
    std::lock_guard lk(shared_->mutex);
    return shared_->running;
}

std::string Simulator::slavePath() const
{
    std::lock_guard lk(shared_->mutex);
    return shared_->slavePath;
}

std::string Simulator::lastError() const
{
    std::lock_guard lk(shared_->mutex);
    return shared_->error;
}

Locked<BoxState> Simulator::state()
{
    return {shared_->mutex, shared_->state};
}

Locked<const BoxState> Simulator::state() const
{
    return {shared_->mutex, shared_->state};
}

bool Simulator::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        std::unique_lock lk(shared_->mutex);
        shared_->changed.wait_until(lk, std::min(deadline, now + std::chrono::milliseconds(10)));
    }
}

} // namespace plx71sim
