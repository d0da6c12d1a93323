#include "simulator_engine.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace plx71sim {
namespace {

Clock::duration byteTime(int rate)
{
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(kBitsPerByte) / (rate > 0 ? rate : kRestRate)));
}

// How often a reply still waiting in the terminal is looked at again.
constexpr auto kReplyTakenPoll = std::chrono::milliseconds(2);

// Paced bytes inside a frame are taken and sent in batches of up to this
// much line time; only the last byte of what is queued, the one the other
// side acts on, comes to the microsecond. A wake-up for every byte costs
// sixteen paced boxes a core of the machine they share with the station
// whose figures they are there for.
constexpr auto kPacedBatch = std::chrono::milliseconds(1);

Clock::time_point batched(Clock::time_point next, Clock::time_point last)
{
    return last - next <= kPacedBatch ? last : next + kPacedBatch;
}

bool matches(const LineSettings& s, int rate)
{
    return s.rate == rate && s.oddParity && s.parityCheck;
}

} // namespace

// The two directions draw from different seeds so that their errors do not
// line up.
Engine::Engine(std::shared_ptr<Shared> shared)
    : shared_(std::move(shared)), assembler_(shared_->options.resyncGap),
      noiseToBox_(shared_->options.noise.toBox, shared_->options.noise.seed),
      noiseToPc_(shared_->options.noise.toPc, shared_->options.noise.seed ^ 0x9E3779B97F4A7C15ull)
{}

// The bit error rate of the line at `rate` bit/s: a rate of its own, or the
// one of every rate.
double Engine::noiseAt(int rate, double otherwise) const
{
    const auto& at = shared_->options.noiseAtRate;
    const auto it = at.find(rate);
    return it == at.end() ? otherwise : it->second;
}

Engine::~Engine()
{
    if (wake_ >= 0)
        ::close(wake_);
}

bool Engine::open(std::string& error)
{
    if (!port_.open(error))
        return false;
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    if (!shared_->options.logPath.empty() && !log_.open(shared_->options.logPath, error))
        return false;
    return true;
}

void Engine::requestStop()
{
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto r = ::write(wake_, &one, sizeof one);
}

void Engine::run()
{
    while (!stop_) {
        const auto now = Clock::now();
        deliverDue(now);
        std::vector<FrameAssembler::Event> events;
        assembler_.expire(now, events);
        handle(events, now);
        expireReplyAck(now);
        const bool blocked = flushOut(now);
        saveIfAsked();
        waitForWork(now, blocked);
    }
}

int Engine::boxRate()
{
    std::lock_guard lk(shared_->mutex);
    return shared_->state.box.rate();
}

void Engine::readLine(Clock::time_point now)
{
    std::uint8_t buf[4096];
    const ssize_t n = ::read(port_.master(), buf, sizeof buf);
    if (n < 0) {
        // EIO: no slave open at all. The kept descriptor prevents that, but
        // should it happen, back off instead of spinning.
        if (errno == EIO)
            hangupUntil_ = now + std::chrono::milliseconds(10);
        return;
    }
    if (n == 0)
        return;
    const int rate = boxRate();
    const auto settings = port_.lineSettings();
    if (!loggedLine_ || !(*loggedLine_ == settings)) {
        loggedLine_ = settings;
        log_.text("LINE " + describe(settings));
    }
    std::span<std::uint8_t> bytes(buf, static_cast<std::size_t>(n));
    if (!matches(settings, rate)) {
        log_.line("PC! ", bytes);
        {
            std::lock_guard lk(shared_->mutex);
            shared_->state.ignoredBytes += bytes.size();
        }
        shared_->notify();
        return;
    }
    noiseToBox_.setRate(noiseAt(rate, shared_->options.noise.toBox));
    std::vector<std::size_t> parityErrors;
    if (noiseToBox_.apply(bytes, &parityErrors) > 0)
        countNoise();
    if (!shared_->options.boxChecksParity)
        parityErrors.clear();
    std::size_t nextError = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        Clock::time_point at = now;
        if (shared_->options.pace) {
            at = std::max(now, lineFreeIn_) + byteTime(rate);
            lineFreeIn_ = at;
        }
        const bool damaged = nextError < parityErrors.size() && parityErrors[nextError] == i;
        nextError += damaged ? 1 : 0;
        in_.push_back({bytes[i], at, damaged});
    }
}

void Engine::deliverDue(Clock::time_point now)
{
    std::vector<FrameAssembler::Event> events;
    while (!in_.empty() && in_.front().at <= now) {
        const InByte in = in_.front();
        in_.pop_front();
        if (awaitAck_) {
            awaitAck_ = false;
            // A damaged byte here was the PC's answer, spoilt on the way.
            if (in.byte == kAck || in.byte == kNak || in.damaged) {
                const std::uint8_t b = in.byte;
                log_.line(in.damaged ? "PC# " : "PC> ", std::span(&b, 1));
                continue;
            }
        }
        assembler_.push(in.byte, in.at, events, in.damaged);
        handle(events, in.at);
        events.clear();
        flushOut(now); // answers go out (and into the log) before the next frame
    }
}

void Engine::handle(std::vector<FrameAssembler::Event>& events, Clock::time_point at)
{
    for (auto& e : events) {
        if (e.kind == FrameAssembler::Kind::Discarded) {
            log_.line("PC# ", e.bytes);
            continue;
        }
        log_.line("PC> ", e.bytes);
        Answer a;
        {
            std::lock_guard lk(shared_->mutex);
            if (e.kind == FrameAssembler::Kind::Frame) {
                std::span<const std::uint8_t> f(e.bytes);
                a = shared_->state.box.onFrame(f[2], f.subspan(3, f.size() - 4), at);
            } else {
                a = shared_->state.box.onBadChecksum(e.bytes, at);
            }
            if (a.jobChanged)
                shared_->state.unsaved = true;
            if (a.checkpoint && shared_->state.unsaved)
                saveAsked_ = true;
        }
        queue(a);
        shared_->notify();
    }
}

void Engine::queue(const Answer& a)
{
    if (a.bytes.empty())
        return;
    const auto now = Clock::now();
    auto add = [&](Bytes bytes) {
        noiseToPc_.setRate(noiseAt(a.sendRate, shared_->options.noise.toPc));
        if (noiseToPc_.apply(bytes) > 0)
            countNoise();
        OutUnit u{std::move(bytes), a.sendRate, {}, 0, false};
        for (std::size_t i = 0; i < u.bytes.size(); ++i) {
            if (shared_->options.pace) {
                lineFreeOut_ = std::max(now, lineFreeOut_) + byteTime(a.sendRate);
                u.due.push_back(lineFreeOut_);
            } else {
                u.due.push_back(now);
            }
        }
        out_.push_back(std::move(u));
    };
    add(Bytes(a.bytes.begin(), a.bytes.begin() + 1));
    if (a.bytes.size() > 1)
        add(Bytes(a.bytes.begin() + 1, a.bytes.end()));
    if (a.hasReply) {
        awaitAck_ = true;
        replyWasWaiting_ = false;
        awaitAckUntil_ = out_.back().due.back() + shared_->options.replyAckWindow;
    }
}

// The window for the PC's answer to a reply runs from when the reply has
// reached the PC. The last byte's due time says so for a fast reader; a
// slow one (an emulated UART behind the terminal takes the bytes at its own
// pace, a loaded machine may stall it) still has bytes waiting in the
// terminal then, and gets its window from when it has taken them all.
void Engine::expireReplyAck(Clock::time_point now)
{
    if (!awaitAck_ || !out_.empty() || now < awaitAckUntil_)
        return;
    if (port_.waitingForPc() > 0) {
        replyWasWaiting_ = true;
        awaitAckUntil_ = now + kReplyTakenPoll;
    } else if (replyWasWaiting_) {
        replyWasWaiting_ = false;
        awaitAckUntil_ = now + shared_->options.replyAckWindow;
    } else {
        awaitAck_ = false;
    }
}

// Writes what is due. Returns true when the terminal would not take more.
bool Engine::flushOut(Clock::time_point now)
{
    while (!out_.empty()) {
        OutUnit& u = out_.front();
        if (u.due[u.sent] > now)
            return false;
        if (!u.started) {
            u.started = true;
            if (!matches(port_.lineSettings(), u.rate)) {
                log_.line("BOX! ", u.bytes);
                out_.pop_front();
                continue;
            }
            log_.line("BOX> ", u.bytes);
        }
        std::size_t end = u.sent;
        while (end < u.bytes.size() && u.due[end] <= now)
            ++end;
        const ssize_t n = ::write(port_.master(), u.bytes.data() + u.sent, end - u.sent);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return true;
            out_.pop_front(); // the line is gone; the PC side retries
            continue;
        }
        u.sent += static_cast<std::size_t>(n);
        if (u.sent == u.bytes.size())
            out_.pop_front();
        else if (u.sent < end)
            return true;
    }
    return false;
}

void Engine::countNoise()
{
    std::lock_guard lk(shared_->mutex);
    shared_->state.noise = {noiseToBox_.flippedBits(), noiseToPc_.flippedBits()};
}

void Engine::saveIfAsked()
{
    if (!saveAsked_)
        return;
    saveAsked_ = false;
    shared_->saveNow();
}

void Engine::waitForWork(Clock::time_point now, bool blocked)
{
    std::optional<Clock::time_point> next;
    auto consider = [&next](std::optional<Clock::time_point> t) {
        if (t && (!next || *t < *next))
            next = t;
    };
    if (!in_.empty())
        consider(batched(in_.front().at, in_.back().at));
    consider(assembler_.deadline());
    if (awaitAck_ && out_.empty())
        consider(awaitAckUntil_);
    if (!out_.empty() && !blocked)
        consider(batched(out_.front().due[out_.front().sent], out_.front().due.back()));
    const bool hungUp = now < hangupUntil_;
    if (hungUp)
        consider(hangupUntil_);

    // Paced bytes are due to the microsecond; a millisecond poll would
    // deliver every ACK and reply end up to 1 ms late.
    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (next) {
        const auto ns =
            std::max<long long>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(*next - now).count());
        timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
        timeout.tv_nsec = static_cast<long>(ns % 1000000000);
        timeoutPtr = &timeout;
    }
    pollfd fds[3] = {
        {wake_, POLLIN, 0}, {port_.events(), POLLIN, 0}, {port_.master(), static_cast<short>(hungUp ? 0 : POLLIN), 0}};
    if (blocked)
        fds[2].events |= POLLOUT;
    if (::ppoll(fds, 3, timeoutPtr, nullptr) <= 0)
        return;
    if (fds[0].revents & POLLIN) {
        std::uint64_t v;
        [[maybe_unused]] auto r = ::read(wake_, &v, sizeof v);
    }
    if (fds[1].revents & POLLIN) {
        const int count = port_.handleEvents();
        {
            std::lock_guard lk(shared_->mutex);
            shared_->state.portOpenCount = count;
        }
        shared_->notify();
    }
    if (fds[2].revents & (POLLIN | POLLHUP | POLLERR))
        readLine(Clock::now());
}

} // namespace plx71sim
