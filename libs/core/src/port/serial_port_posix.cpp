// The termios serial port of POSIX systems.
#ifndef _WIN32

#include "plx71/port/serial_port.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>
#ifdef __linux__
#include <linux/serial.h>
#include <sys/sysmacros.h>
#endif

namespace plx71 {

namespace {

using Clock = std::chrono::steady_clock;

bool speedFor(int bitRate, speed_t& speed)
{
    switch (bitRate) {
    case 1200:
        speed = B1200;
        return true;
    case 2400:
        speed = B2400;
        return true;
    case 4800:
        speed = B4800;
        return true;
    case 9600:
        speed = B9600;
        return true;
    case 19200:
        speed = B19200;
        return true;
    case 38400:
        speed = B38400;
        return true;
    case 57600:
        speed = B57600;
        return true;
    case 115200:
        speed = B115200;
        return true;
    case 230400:
        speed = B230400;
        return true;
    default:
        return false;
    }
}

// Raw bytes whatever the port held before: no line editing, no echo, no
// signals, no CR/LF translation, no software or hardware flow control;
// 8 data bits, odd parity with checking, 1 stop bit; reads never wait in the
// driver (the time-outs are ours). A byte with a parity error is kept and
// marked (PARMRK: 0xFF 0x00 X; a received 0xFF comes doubled), never dropped
// (IGNPAR) nor stripped.
void makeLineSettings(termios& t, speed_t speed)
{
    t.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    t.c_iflag |= INPCK | PARMRK;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB);
#ifdef CRTSCTS
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    t.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
}

// Whole milliseconds for poll(), rounded up so a wait is never cut short.
int pollMillis(Clock::duration d)
{
    if (d <= Clock::duration::zero())
        return 0;
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
    return ms > 1000000 ? 1000000 : static_cast<int>(ms);
}

// A pseudo-terminal carries no line: what one side writes is with the other
// at once. Known by the device number (the Unix98 pty slaves) or, where
// those numbers are not known, by the terminal's name.
bool isPseudoTerminal(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
#ifdef __linux__
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;
#else
    char name[256] = {};
    return ::ttyname_r(fd, name, sizeof name) == 0 && std::string_view(name).starts_with("/dev/pts/");
#endif
}

class PosixSerialPort : public SerialPort {
public:
    ~PosixSerialPort() override { close(); }

    bool open(const std::string& deviceName, int bitRate, const LinkTiming&) override
    {
        close();
        speed_t speed;
        if (!speedFor(bitRate, speed))
            return false;
        // Non-blocking only for the open itself, so a modem line without
        // carrier cannot hold it up.
        int fd = ::open(deviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        // Exclusive: flock keeps out everyone who plays by the same rule (root
        // included); TIOCEXCL keeps out every other opener that is not root.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        termios t{};
        if (::tcgetattr(fd, &t) != 0 || isSessionTerminal(fd)) { // no line to a box
            release(fd);
            return false;
        }
        ::ioctl(fd, TIOCEXCL);
        int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0)
            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        makeLineSettings(t, speed);
        ::tcsetattr(fd, TCSANOW, &t);
        ::tcflush(fd, TCIOFLUSH);
        askLowLatency(fd);
        fd_ = fd;
        bitRate_ = bitRate;
        pseudoTerminal_ = isPseudoTerminal(fd);
        lineFreeAt_ = Clock::time_point{};
        escape_ = Escape::None;
        parityError_ = false;
        return true;
    }

    bool setRate(int bitRate) override
    {
        speed_t speed;
        termios t{};
        if (fd_ < 0 || !speedFor(bitRate, speed) || ::tcgetattr(fd_, &t) != 0)
            return false;
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        if (::tcsetattr(fd_, TCSANOW, &t) != 0)
            return false;
        ::tcflush(fd_, TCIOFLUSH);
        escape_ = Escape::None;
        bitRate_ = bitRate;
        return true;
    }

    void close() override
    {
        if (fd_ < 0)
            return;
        release(fd_);
        fd_ = -1;
    }

    bool isOpen() const override { return fd_ >= 0; }

    void discardInput() override
    {
        if (fd_ >= 0)
            ::tcflush(fd_, TCIFLUSH);
        escape_ = Escape::None;
        parityError_ = false;
    }

    bool takeParityError() override { return std::exchange(parityError_, false); }
    // A pseudo-terminal has no UART: it never marks a byte.
    bool reportsParityErrors() const override { return fd_ >= 0 && !pseudoTerminal_; }

    bool write(std::span<const std::uint8_t> bytes, const LinkTiming& timing) override
    {
        if (fd_ < 0)
            return false;
        auto start = Clock::now();
        auto deadline = start + timing.writePerByte * static_cast<long>(bytes.size()) + timing.writeConstant
            + lineTime(bytes.size());
        std::size_t done = 0;
        while (done < bytes.size()) {
            pollfd p{fd_, POLLOUT, 0};
            int ready = ::poll(&p, 1, pollMillis(deadline - Clock::now()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0 || !(p.revents & POLLOUT))
                return false;
            ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        while (::tcdrain(fd_) != 0) {
            if (errno != EINTR)
                return false;
        }
        // A real port may drain at once (a USB adapter holds the bytes); they
        // are on the line only after their time at the port's rate. A
        // pseudo-terminal has no line to wait for: a peer that imitates one
        // has the reply time-out of the next read start at the line's end.
        lineFreeAt_ = start + lineTime(bytes.size());
        if (timing.paceWrites && !pseudoTerminal_)
            std::this_thread::sleep_until(lineFreeAt_);
        return true;
    }

    std::size_t read(std::span<std::uint8_t> buffer, const LinkTiming& timing) override
    {
        if (fd_ < 0)
            return 0;
        const auto deadline = std::max(Clock::now(), lineFreeAt_) + timing.readTotal(buffer.size());
        Clock::time_point lastByte;
        std::size_t got = 0;
        while (got < buffer.size()) {
            // The gap limit starts with the first byte.
            const auto limit = got > 0 ? std::min(deadline, lastByte + timing.readInterval) : deadline;
            const auto wait = limit - Clock::now();
            if (wait <= Clock::duration::zero())
                break;
            pollfd p{fd_, POLLIN, 0};
            int ready = ::poll(&p, 1, pollMillis(wait));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break; // time-out
            if (!(p.revents & POLLIN))
                break; // hang-up or error with nothing to read
            // Each byte read is at most one byte for the caller (a marked or
            // doubled byte is two or three): never more than asked is taken.
            const std::size_t asked = buffer.size() - got;
            ssize_t n = ::read(fd_, buffer.data() + got, asked);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n <= 0)
                break;
            got = unmark(buffer, got, static_cast<std::size_t>(n));
            lastByte = Clock::now();
            // A read that took all it asked for may have left bytes waiting
            // (a page of 0xFF reads as twice its size): read on at once.
            if (static_cast<std::size_t>(n) == asked)
                continue;
            // The rest cannot come faster than the line carries it: rather
            // than wake for every byte of a reply, sleep in the kernel for
            // half the time the line needs for it (never past the gap
            // limit), and poll for the last millisecond or two, so the end
            // of a reply is taken as soon as it comes even when a sleep
            // overruns on a loaded machine.
            if (got < buffer.size()) {
                const auto half = lineTime(buffer.size() - got) / 2;
                if (half >= std::chrono::milliseconds(1))
                    std::this_thread::sleep_until(
                        std::min({lastByte + half, lastByte + timing.readInterval / 2, deadline}));
            }
        }
        return got;
    }

private:
    enum class Escape { None, Mark, Marked }; // after 0xFF; after 0xFF 0x00

    // The `n` bytes just read at buffer[got] as the driver marks them, turned
    // into the bytes received, in place. Returns the new count. A marked byte
    // reads 0x00 (what the driver gave before it marked) and sets the mark;
    // a mark cut by the end of a read goes on with the next one.
    std::size_t unmark(std::span<std::uint8_t> buffer, std::size_t got, std::size_t n)
    {
        std::size_t out = got;
        for (std::size_t i = got; i < got + n; ++i) {
            const std::uint8_t b = buffer[i];
            switch (escape_) {
            case Escape::None:
                if (b == 0xFF)
                    escape_ = Escape::Mark;
                else
                    buffer[out++] = b;
                break;
            case Escape::Mark:
                escape_ = b == 0x00 ? Escape::Marked : Escape::None;
                if (b == 0x00)
                    break;
                parityError_ = parityError_ || b != 0xFF; // no such sequence: take it as damaged
                buffer[out++] = b;
                break;
            case Escape::Marked:
                escape_ = Escape::None;
                parityError_ = true;
                buffer[out++] = 0x00;
                break;
            }
        }
        return out;
    }

    // 11 bits a byte: start, 8 data, parity, stop.
    Clock::duration lineTime(std::size_t bytes) const
    {
        if (bitRate_ <= 0)
            return Clock::duration::zero();
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::microseconds(static_cast<long long>(bytes) * 11 * 1000000 / bitRate_));
    }

    // On a pseudo-terminal the exclusive flag outlives the close and would
    // keep this very user out at the next operation.
    static void release(int fd)
    {
        ::ioctl(fd, TIOCNXCL);
        ::flock(fd, LOCK_UN);
        ::close(fd);
    }

    static void askLowLatency(int fd)
    {
#if defined(__linux__) && defined(ASYNC_LOW_LATENCY)
        serial_struct ss{};
        if (::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
            ss.flags |= ASYNC_LOW_LATENCY;
            ::ioctl(fd, TIOCSSERIAL, &ss); // a refusal changes nothing
        }
#else
        (void)fd;
#endif
    }

    int fd_ = -1;
    int bitRate_ = 0;
    bool pseudoTerminal_ = false;
    Escape escape_ = Escape::None;
    bool parityError_ = false;
    // When the last write has left the line, had there been one.
    Clock::time_point lineFreeAt_;
};

// The device the kernel console writes to (Linux; only where /dev/console
// may be opened, which is root's).
bool isConsoleDevice(dev_t device)
{
#if defined(__linux__) && defined(TIOCGDEV)
    const int console = ::open("/dev/console", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (console < 0)
        return false;
    unsigned int real = 0;
    const bool same = ::ioctl(console, TIOCGDEV, &real) == 0 && real == device;
    ::close(console);
    return same;
#else
    (void)device;
    return false;
#endif
}

} // namespace

bool isSessionTerminal(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
#ifdef __linux__
    if (major(st.st_rdev) == 5 && minor(st.st_rdev) <= 1)
        return true;
#endif
    // The session ID comes back only for the caller's controlling terminal.
    return ::tcgetsid(fd) != -1 || isConsoleDevice(st.st_rdev);
}

std::unique_ptr<SerialPort> makeSystemSerialPort()
{
    return std::make_unique<PosixSerialPort>();
}

} // namespace plx71

#endif
