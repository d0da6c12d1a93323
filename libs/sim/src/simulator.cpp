#include "plx71sim/simulator.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <optional>

#include "plx71sim/frame_assembler.hpp"
#include "plx71sim/state_file.hpp"
#include "pty_port.hpp"
#include "wire_log.hpp"

namespace plx71sim {
namespace {

Clock::duration byteTime(int rate) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(double(kBitsPerByte) / (rate > 0 ? rate : kRestRate)));
}

bool matches(const LineSettings& s, int rate) {
  return s.rate == rate && s.oddParity && s.parityCheck;
}

}  // namespace

// The thread side: moves bytes between the pseudo-terminal and the box,
// paces them when asked, frames them and writes the log.
class Simulator::Engine {
 public:
  explicit Engine(Simulator& sim)
      : sim_(sim), assembler_(sim.options_.resyncGap) {}
  ~Engine() {
    if (wake_ >= 0) ::close(wake_);
  }

  bool open(std::string& error) {
    if (!port_.open(error)) return false;
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) {
      error = std::string("eventfd: ") + std::strerror(errno);
      return false;
    }
    if (!sim_.options_.logPath.empty() && !log_.open(sim_.options_.logPath, error)) return false;
    return true;
  }

  const std::string& slavePath() const { return port_.slavePath(); }

  void requestStop() {
    stop_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto r = ::write(wake_, &one, sizeof one);
  }

  void run() {
    while (!stop_) {
      const auto now = Clock::now();
      deliverDue(now);
      std::vector<FrameAssembler::Event> events;
      assembler_.expire(now, events);
      handle(events, now);
      if (awaitAck_ && out_.empty() && now >= awaitAckUntil_) awaitAck_ = false;
      const bool blocked = flushOut(now);
      saveIfAsked();
      waitForWork(now, blocked);
    }
  }

 private:
  struct InByte {
    std::uint8_t byte;
    Clock::time_point at;
  };
  struct OutUnit {
    Bytes bytes;
    int rate;
    std::vector<Clock::time_point> due;  // per byte
    std::size_t sent = 0;
    bool started = false;
  };

  int boxRate() {
    std::lock_guard lk(sim_.mutex_);
    return sim_.box_.rate();
  }

  void readLine(Clock::time_point now) {
    std::uint8_t buf[4096];
    const ssize_t n = ::read(port_.master(), buf, sizeof buf);
    if (n < 0) {
      // EIO: no slave open at all. The kept descriptor prevents that, but
      // should it happen, back off instead of spinning.
      if (errno == EIO) hangupUntil_ = now + std::chrono::milliseconds(10);
      return;
    }
    if (n == 0) return;
    const int rate = boxRate();
    const auto settings = port_.lineSettings();
    std::span<const std::uint8_t> bytes(buf, static_cast<std::size_t>(n));
    if (!matches(settings, rate)) {
      log_.line("PC! ", bytes);
      {
        std::lock_guard lk(sim_.mutex_);
        sim_.ignoredBytes_ += bytes.size();
      }
      sim_.notify();
      return;
    }
    for (auto b : bytes) {
      Clock::time_point at = now;
      if (sim_.options_.pace) {
        at = std::max(now, lineFreeIn_) + byteTime(rate);
        lineFreeIn_ = at;
      }
      in_.push_back({b, at});
    }
  }

  void deliverDue(Clock::time_point now) {
    std::vector<FrameAssembler::Event> events;
    while (!in_.empty() && in_.front().at <= now) {
      const InByte in = in_.front();
      in_.pop_front();
      if (awaitAck_) {
        awaitAck_ = false;
        if (in.byte == kAck || in.byte == kNak) {
          const std::uint8_t b = in.byte;
          log_.line("PC> ", std::span(&b, 1));
          continue;
        }
      }
      assembler_.push(in.byte, in.at, events);
      handle(events, in.at);
      events.clear();
      flushOut(now);  // answers go out (and into the log) before the next frame
    }
  }

  void handle(std::vector<FrameAssembler::Event>& events, Clock::time_point at) {
    for (auto& e : events) {
      if (e.kind == FrameAssembler::Kind::Discarded) {
        log_.line("PC# ", e.bytes);
        continue;
      }
      log_.line("PC> ", e.bytes);
      Answer a;
      {
        std::lock_guard lk(sim_.mutex_);
        if (e.kind == FrameAssembler::Kind::Frame) {
          std::span<const std::uint8_t> f(e.bytes);
          a = sim_.box_.onFrame(f[2], f.subspan(3, f.size() - 4), at);
        } else {
          a = sim_.box_.onBadChecksum(e.bytes, at);
        }
        if (a.jobChanged) sim_.dirty_ = true;
        if (a.checkpoint && sim_.dirty_) saveAsked_ = true;
      }
      queue(a);
      sim_.notify();
    }
  }

  void queue(const Answer& a) {
    if (a.bytes.empty()) return;
    const auto now = Clock::now();
    auto add = [&](Bytes bytes) {
      OutUnit u{std::move(bytes), a.sendRate, {}, 0, false};
      for (std::size_t i = 0; i < u.bytes.size(); ++i) {
        if (sim_.options_.pace) {
          lineFreeOut_ = std::max(now, lineFreeOut_) + byteTime(a.sendRate);
          u.due.push_back(lineFreeOut_);
        } else {
          u.due.push_back(now);
        }
      }
      out_.push_back(std::move(u));
    };
    add(Bytes(a.bytes.begin(), a.bytes.begin() + 1));
    if (a.bytes.size() > 1) add(Bytes(a.bytes.begin() + 1, a.bytes.end()));
    if (a.hasReply) {
      awaitAck_ = true;
      awaitAckUntil_ = out_.back().due.back() + sim_.options_.replyAckWindow;
    }
  }

  // Writes what is due. Returns true when the terminal would not take more.
  bool flushOut(Clock::time_point now) {
    while (!out_.empty()) {
      OutUnit& u = out_.front();
      if (u.due[u.sent] > now) return false;
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
      while (end < u.bytes.size() && u.due[end] <= now) ++end;
      const ssize_t n = ::write(port_.master(), u.bytes.data() + u.sent, end - u.sent);
      if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) return true;
        out_.pop_front();  // the line is gone; the PC side retries
        continue;
      }
      u.sent += static_cast<std::size_t>(n);
      if (u.sent == u.bytes.size()) out_.pop_front();
      else if (u.sent < end) return true;
    }
    return false;
  }

  void saveIfAsked() {
    if (!saveAsked_) return;
    saveAsked_ = false;
    sim_.saveNow();
  }

  void waitForWork(Clock::time_point now, bool blocked) {
    std::optional<Clock::time_point> next;
    auto consider = [&next](std::optional<Clock::time_point> t) {
      if (t && (!next || *t < *next)) next = t;
    };
    if (!in_.empty()) consider(in_.front().at);
    consider(assembler_.deadline());
    if (awaitAck_ && out_.empty()) consider(awaitAckUntil_);
    if (!out_.empty() && !blocked) consider(out_.front().due[out_.front().sent]);
    const bool hungUp = now < hangupUntil_;
    if (hungUp) consider(hangupUntil_);

    // Paced bytes are due to the microsecond; a millisecond poll would
    // deliver every ACK and reply end up to 1 ms late.
    timespec timeout{};
    timespec* timeoutPtr = nullptr;
    if (next) {
      const auto ns = std::max<long long>(
          0, std::chrono::duration_cast<std::chrono::nanoseconds>(*next - now).count());
      timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
      timeout.tv_nsec = static_cast<long>(ns % 1000000000);
      timeoutPtr = &timeout;
    }
    pollfd fds[3] = {{wake_, POLLIN, 0}, {port_.events(), POLLIN, 0},
                     {port_.master(), static_cast<short>(hungUp ? 0 : POLLIN), 0}};
    if (blocked) fds[2].events |= POLLOUT;
    if (::ppoll(fds, 3, timeoutPtr, nullptr) <= 0) return;
    if (fds[0].revents & POLLIN) {
      std::uint64_t v;
      [[maybe_unused]] auto r = ::read(wake_, &v, sizeof v);
    }
    if (fds[1].revents & POLLIN) {
      const int count = port_.handleEvents();
      {
        std::lock_guard lk(sim_.mutex_);
        sim_.openCount_ = count;
      }
      sim_.notify();
    }
    if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) readLine(Clock::now());
  }

  Simulator& sim_;
  PtyPort port_;
  WireLog log_;
  FrameAssembler assembler_;
  int wake_ = -1;
  std::atomic<bool> stop_{false};
  std::deque<InByte> in_;
  std::deque<OutUnit> out_;
  Clock::time_point lineFreeIn_{}, lineFreeOut_{}, awaitAckUntil_{}, hangupUntil_{};
  bool awaitAck_ = false;
  bool saveAsked_ = false;
};

Simulator::Simulator(Options options) : options_(std::move(options)), box_(options_.box) {
  box_.faults() = options_.faults;
}

Simulator::~Simulator() { stop(); }

bool Simulator::start() {
  std::lock_guard startLock(lifecycle_);
  if (running_) return true;
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
      if (!loadState(options_.statePath, job, error)) return fail(error);
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
  if (!engine_->open(error)) return fail(error);
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

void Simulator::stop() {
  std::lock_guard startLock(lifecycle_);
  if (!engine_) return;
  engine_->requestStop();
  if (thread_.joinable()) thread_.join();
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

void Simulator::saveNow() {
  if (options_.statePath.empty()) return;
  StoredJob copy;
  {
    std::lock_guard lk(mutex_);
    if (!dirty_) return;
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

void Simulator::notify() { changed_.notify_all(); }

bool Simulator::running() const {
  std::lock_guard lk(mutex_);
  return running_;
}

std::string Simulator::slavePath() const {
  std::lock_guard lk(mutex_);
  return slavePath_;
}

std::string Simulator::lastError() const {
  std::lock_guard lk(mutex_);
  return error_;
}

int Simulator::rate() const {
  std::lock_guard lk(mutex_);
  return box_.rate();
}

bool Simulator::busy() const {
  std::lock_guard lk(mutex_);
  return box_.busy(Clock::now());
}

StoredJob Simulator::job() const {
  std::lock_guard lk(mutex_);
  return box_.job();
}

void Simulator::setJob(const StoredJob& job) {
  std::lock_guard lk(mutex_);
  box_.job() = job;
  box_.job().firmwareVersion = versionField(job.firmwareVersion);
  dirty_ = true;
}

WriterSettings Simulator::settings() const {
  std::lock_guard lk(mutex_);
  return box_.job().settings;
}

Bytes Simulator::settingsRecord() const {
  std::lock_guard lk(mutex_);
  return box_.job().settings.record(!box_.faults().noSettings);
}

Page Simulator::page(std::uint16_t number) const {
  std::lock_guard lk(mutex_);
  return box_.job().page(number);
}

std::string Simulator::firmwareVersion() const {
  std::lock_guard lk(mutex_);
  return box_.job().firmwareVersion;
}

std::vector<ReceivedCommand> Simulator::receivedCommands() const {
  std::lock_guard lk(mutex_);
  return box_.received();
}

void Simulator::clearReceivedCommands() {
  std::lock_guard lk(mutex_);
  box_.clearReceived();
}

std::size_t Simulator::ignoredBytes() const {
  std::lock_guard lk(mutex_);
  return ignoredBytes_;
}

int Simulator::portOpenCount() const {
  std::lock_guard lk(mutex_);
  return openCount_;
}

void Simulator::dropAcks(int frames) {
  std::lock_guard lk(mutex_);
  box_.faults().dropAcks = frames;
}

void Simulator::nakFrames(int frames) {
  std::lock_guard lk(mutex_);
  box_.faults().naks = frames;
}

void Simulator::corruptReplies(int replies) {
  std::lock_guard lk(mutex_);
  box_.faults().corruptReplies = replies;
}

void Simulator::setSilent(bool on) {
  std::lock_guard lk(mutex_);
  box_.faults().silent = on;
}

void Simulator::setStayBusy(bool on) {
  std::lock_guard lk(mutex_);
  box_.faults().stayBusy = on;
}

void Simulator::setNoSettings(bool on) {
  std::lock_guard lk(mutex_);
  box_.faults().noSettings = on;
}

void Simulator::setFailPage(std::uint16_t page, bool on) {
  std::lock_guard lk(mutex_);
  if (on) box_.faults().failPages.insert(page);
  else box_.faults().failPages.erase(page);
}

void Simulator::setFlipRead(std::uint16_t page, std::uint8_t offset, bool on) {
  std::lock_guard lk(mutex_);
  if (on) box_.faults().flipReads[page] = offset;
  else box_.faults().flipReads.erase(page);
}

bool Simulator::setAlterSetting(const std::string& field) {
  if (!field.empty() && !isSettingField(field)) return false;
  std::lock_guard lk(mutex_);
  box_.faults().alterSetting = field;
  return true;
}

void Simulator::setFirmwareVersion(const std::string& text) {
  std::lock_guard lk(mutex_);
  box_.job().firmwareVersion = versionField(text);
}

void Simulator::setBusyTime(std::chrono::milliseconds t) {
  std::lock_guard lk(mutex_);
  box_.config().busyTime = t;
}

Faults Simulator::faults() const {
  std::lock_guard lk(mutex_);
  return box_.faults();
}

bool Simulator::waitFor(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    const auto now = Clock::now();
    if (now >= deadline) return false;
    std::unique_lock lk(mutex_);
    changed_.wait_until(lk, std::min(deadline, now + std::chrono::milliseconds(10)));
  }
}

bool Simulator::waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const {
  return waitFor([&] { return receivedCommands().size() >= count; }, timeout);
}

}  // namespace plx71sim
