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

Simulator::Simulator(Options options) : options_(std::move(options)), box_(options_.box)
{
    box_.faults() = options_.faults;
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start()
{
    std::lock_guard startLock(lifecycle_);
    if (running_)
        return true;
    std::string error;
    auto fail = [&](const std::string& e) {
        std::lock_guard lk(mutex_);
        error_ = e;
        engine_.reset();
        return false;
    };
    if (!options_.statePath.empty()) {
        struct stat st;
        if (::stat(options_.statePath.c_str(), &st) == 0) {
            StoredJob job;
            if (!loadState(options_.statePath, job, error))
                return fail(error);
            std::lock_guard lk(mutex_);
            box_.job() = std::move(job);
            dirty_ = false;
        }
    }
    if (!options_.firmwareVersionOverride.empty()) {
        std::lock_guard lk(mutex_);
        box_.job().firmwareVersion = versionField(options_.firmwareVersionOverride);
    }
    engine_ = std::make_unique<Engine>(*this);
    if (!engine_->open(error))
        return fail(error);
    const std::string slave = engine_->slavePath();
    if (!options_.linkPath.empty()) {
        struct stat st;
        if (::lstat(options_.linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                return fail(options_.linkPath + " exists and is not a symbolic link; not replaced");
            ::unlink(options_.linkPath.c_str());
        }
        if (::symlink(slave.c_str(), options_.linkPath.c_str()) != 0)
            return fail("cannot link " + options_.linkPath + ": " + std::strerror(errno));
    }
    {
        std::lock_guard lk(mutex_);
        box_.setRate(kRestRate);
        slavePath_ = slave;
        openCount_ = 0;
        running_ = true;
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
    saveNow();
    if (!options_.linkPath.empty()) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(options_.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == engine_->slavePath())
            ::unlink(options_.linkPath.c_str());
    }
    engine_.reset();
    {
        std::lock_guard lk(mutex_);
        running_ = false;
        slavePath_.clear();
        openCount_ = 0;
    }
    notify();
}

void Simulator::saveNow()
{
    if (options_.statePath.empty())
        return;
    StoredJob copy;
    {
        std::lock_guard lk(mutex_);
        if (!dirty_)
            return;
        copy = box_.job();
        dirty_ = false;
    }
    std::string error;
    if (!saveState(options_.statePath, copy, error)) {
        std::lock_guard lk(mutex_);
        error_ = error;
        dirty_ = true;
    }
}

void Simulator::notify()
{
    changed_.notify_all();
}

bool Simulator::running() const
{
    std::lock_guard lk(mutex_);
    return running_;
}

std::string Simulator::slavePath() const
{
    std::lock_guard lk(mutex_);
    return slavePath_;
}

std::string Simulator::lastError() const
{
    std::lock_guard lk(mutex_);
    return error_;
}

int Simulator::rate() const
{
    std::lock_guard lk(mutex_);
    return box_.rate();
}

bool Simulator::busy() const
{
    std::lock_guard lk(mutex_);
    return box_.busy(Clock::now());
}

StoredJob Simulator::job() const
{
    std::lock_guard lk(mutex_);
    return box_.job();
}

void Simulator::setJob(const StoredJob& job)
{
    std::lock_guard lk(mutex_);
    box_.job() = job;
    box_.job().firmwareVersion = versionField(job.firmwareVersion);
    dirty_ = true;
}

WriterSettings Simulator::settings() const
{
    std::lock_guard lk(mutex_);
    return box_.job().settings;
}

Bytes Simulator::settingsRecord() const
{
    std::lock_guard lk(mutex_);
    return box_.job().settings.record(!box_.faults().noSettings);
}

Page Simulator::page(std::uint16_t number) const
{
    std::lock_guard lk(mutex_);
    return box_.job().page(number);
}

std::string Simulator::firmwareVersion() const
{
    std::lock_guard lk(mutex_);
    return box_.job().firmwareVersion;
}

std::vector<ReceivedCommand> Simulator::receivedCommands() const
{
    std::lock_guard lk(mutex_);
    return box_.received();
}

void Simulator::clearReceivedCommands()
{
    std::lock_guard lk(mutex_);
    box_.clearReceived();
}

std::size_t Simulator::ignoredBytes() const
{
    std::lock_guard lk(mutex_);
    return ignoredBytes_;
}

NoiseCount Simulator::noiseCount() const
{
    std::lock_guard lk(mutex_);
    return noiseCount_;
}

int Simulator::portOpenCount() const
{
    std::lock_guard lk(mutex_);
    return openCount_;
}

void Simulator::dropAcks(int frames)
{
    std::lock_guard lk(mutex_);
    box_.faults().dropAcks = frames;
}

void Simulator::nakFrames(int frames)
{
    std::lock_guard lk(mutex_);
    box_.faults().naks = frames;
}

void Simulator::corruptReplies(int replies)
{
    std::lock_guard lk(mutex_);
    box_.faults().corruptReplies = replies;
}

void Simulator::setSilent(bool on)
{
    std::lock_guard lk(mutex_);
    box_.faults().silent = on;
}

void Simulator::setStayBusy(bool on)
{
    std::lock_guard lk(mutex_);
    box_.faults().stayBusy = on;
}

void Simulator::setNoSettings(bool on)
{
    std::lock_guard lk(mutex_);
    box_.faults().noSettings = on;
}

void Simulator::setFailPage(std::uint16_t page, bool on)
{
    std::lock_guard lk(mutex_);
    if (on)
        box_.faults().failPages.insert(page);
    else
        box_.faults().failPages.erase(page);
}

void Simulator::setFlipRead(std::uint16_t page, std::uint8_t offset, bool on)
{
    std::lock_guard lk(mutex_);
    if (on)
        box_.faults().flipReads[page] = offset;
    else
        box_.faults().flipReads.erase(page);
}

bool Simulator::setAlterSetting(const std::string& field)
{
    if (!field.empty() && !isSettingField(field))
        return false;
    std::lock_guard lk(mutex_);
    box_.faults().alterSetting = field;
    return true;
}

void Simulator::setFirmwareVersion(const std::string& text)
{
    std::lock_guard lk(mutex_);
    box_.job().firmwareVersion = versionField(text);
}

void Simulator::setBusyTime(std::chrono::milliseconds t)
{
    std::lock_guard lk(mutex_);
    box_.config().busyTime = t;
}

Faults Simulator::faults() const
{
    std::lock_guard lk(mutex_);
    return box_.faults();
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
        std::unique_lock lk(mutex_);
        changed_.wait_until(lk, std::min(deadline, now + std::chrono::milliseconds(10)));
    }
}

bool Simulator::waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const
{
    return waitFor([&] { return receivedCommands().size() >= count; }, timeout);
}

} // namespace plx71sim
