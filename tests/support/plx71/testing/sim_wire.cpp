#include "plx71/testing/sim_wire.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace plx71::test {

std::string tempPath(const std::string& name)
{
    const std::string p = ::testing::TempDir() + name + "." + std::to_string(::getpid());
    std::remove(p.c_str());
    return p;
}

Bytes hex(const std::string& text)
{
    Bytes out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok)
        out.push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
    return out;
}

std::string toHex(const Bytes& bytes)
{
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

PcPort::PcPort(const std::string& path, int rate)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0)
        setLine(rate);
}

PcPort::~PcPort()
{
    close();
}

void PcPort::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void PcPort::setLine(int rate, bool oddParity, bool parityCheck)
{
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    t.c_cflag |= CS8 | PARENB | CLOCAL | CREAD;
    if (oddParity)
        t.c_cflag |= PARODD;
    else
        t.c_cflag &= ~PARODD;
    if (parityCheck)
        t.c_iflag |= INPCK;
    else
        t.c_iflag &= ~INPCK;
    speed_t s = B9600;
    switch (rate) {
    case 4800:
        s = B4800;
        break;
    case 19200:
        s = B19200;
        break;
    case 38400:
        s = B38400;
        break;
    case 57600:
        s = B57600;
        break;
    case 115200:
        s = B115200;
        break;
    default:
        break;
    }
    ::cfsetispeed(&t, s);
    ::cfsetospeed(&t, s);
    // On a pseudo-terminal the C library reports EINVAL because the parity
    // enable flag does not stick; the rate and the odd/check flags do.
    ::tcsetattr(fd_, TCSANOW, &t);
    termios back{};
    ::tcgetattr(fd_, &back);
    if (::cfgetospeed(&back) != s || (back.c_cflag & PARODD) != (t.c_cflag & PARODD))
        throw std::runtime_error(std::string("line settings not taken: ") + std::strerror(errno));
}

void PcPort::send(const Bytes& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 100);
            continue;
        }
        done += static_cast<std::size_t>(n);
    }
}

Bytes PcPort::read(std::size_t count, std::chrono::milliseconds timeout)
{
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::uint8_t buf[512];
        const std::size_t want = std::min(sizeof buf, count - out.size());
        const ssize_t n = ::read(fd_, buf, want);
        if (n > 0)
            out.insert(out.end(), buf, buf + n);
    }
    return out;
}

Bytes PcPort::pending()
{
    Bytes out;
    std::uint8_t buf[512];
    ssize_t n;
    while ((n = ::read(fd_, buf, sizeof buf)) > 0)
        out.insert(out.end(), buf, buf + n);
    return out;
}

Bytes transact(PcPort& port, const Bytes& request, std::size_t replyBody)
{
    port.send(request);
    Bytes got = port.read(replyBody ? 1 + replyBody + 3 : 1);
    if (replyBody && got.size() == replyBody + 4)
        port.send({plx71sim::kAck});
    return got;
}

} // namespace plx71::test
