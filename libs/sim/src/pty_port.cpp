#include "pty_port.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace plx71sim {
namespace {

int bitsPerSecond(speed_t s)
{
    switch (s) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return 0;
    }
}

// Descriptors open on `path` in every process this user can see.
int countOpeners(const std::string& path)
{
    int count = 0;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return -1;
    while (dirent* p = ::readdir(proc)) {
        if (p->d_name[0] < '0' || p->d_name[0] > '9')
            continue;
        const std::string dir = std::string("/proc/") + p->d_name + "/fd";
        DIR* fds = ::opendir(dir.c_str());
        if (!fds)
            continue;
        while (dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.')
                continue;
            char target[256];
            const std::string link = dir + "/" + f->d_name;
            const ssize_t n = ::readlink(link.c_str(), target, sizeof target);
            if (n == static_cast<ssize_t>(path.size()) && path.compare(0, path.size(), target, n) == 0)
                ++count;
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return count;
}

std::string sysError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool PtyPort::open(std::string& error)
{
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = sysError("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || ::ptsname_r(master_, name, sizeof name) != 0) {
        error = sysError("pseudo-terminal set-up");
        close();
        return false;
    }
    slavePath_ = name;
    keptSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (keptSlave_ < 0) {
        error = sysError("open slave");
        close();
        return false;
    }
    // The box rests at 9600 bit/s, odd parity, raw: no echo or line editing
    // before the PC side sets its own mode.
    termios t{};
    ::tcgetattr(keptSlave_, &t);
    ::cfmakeraw(&t);
    t.c_cflag |= PARENB | PARODD | CS8 | CLOCAL | CREAD;
    t.c_iflag |= INPCK;
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    ::tcsetattr(keptSlave_, TCSANOW, &t);

    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);

    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0 || ::inotify_add_watch(inotify_, name, IN_OPEN | IN_CLOSE) < 0) {
        error = sysError("watch slave");
        close();
        return false;
    }
    openCount_ = 0;
    return true;
}

void PtyPort::close()
{
    for (int* fd : {&inotify_, &keptSlave_, &master_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    slavePath_.clear();
}

LineSettings PtyPort::lineSettings() const
{
    termios t{};
    LineSettings s;
    if (::tcgetattr(keptSlave_, &t) != 0)
        return s;
    s.rate = bitsPerSecond(::cfgetospeed(&t));
    const int in = bitsPerSecond(::cfgetispeed(&t));
    if (in != 0 && in != s.rate)
        s.rate = 0; // split rates match nothing
    s.oddParity = (t.c_cflag & PARODD) != 0;
    s.parityCheck = (t.c_iflag & INPCK) != 0;
    s.parityEnabled = (t.c_cflag & PARENB) != 0;
    s.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.dataBits = 5;
        break;
    case CS6:
        s.dataBits = 6;
        break;
    case CS7:
        s.dataBits = 7;
        break;
    default:
        s.dataBits = 8;
    }
    return s;
}

int PtyPort::waitingForPc() const
{
    int n = 0;
    return ::ioctl(keptSlave_, FIONREAD, &n) == 0 ? n : 0;
}

std::string describe(const LineSettings& s)
{
    // PARODD alone says odd: a pty drops PARENB.
    const char* parity = s.oddParity ? "odd" : s.parityEnabled ? "even" : "no";
    return (s.rate > 0 ? std::to_string(s.rate) : std::string("unknown")) + " bit/s, " + std::to_string(s.dataBits)
        + " data bits, " + parity + " parity, " + (s.twoStopBits ? "2 stop bits" : "1 stop bit") + ", parity check "
        + (s.parityCheck ? "on" : "off");
}

int PtyPort::handleEvents()
{
    alignas(inotify_event) char buf[4096];
    bool closed = false;
    for (;;) {
        const ssize_t n = ::read(inotify_, buf, sizeof buf);
        if (n <= 0)
            break;
        for (char* p = buf; p < buf + n;) {
            auto* e = reinterpret_cast<inotify_event*>(p);
            if (e->mask & IN_OPEN)
                ++openCount_;
            if (e->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE))
                closed = true;
            p += sizeof(inotify_event) + e->len;
        }
    }
    if (closed) {
        // Equal close events may be merged into one, so count again. A closed
        // descriptor has left its process's table before the event is seen.
        const int seen = countOpeners(slavePath_);
        openCount_ = seen > 0 ? seen - 1 : 0; // less the box's own descriptor
        ::ioctl(keptSlave_, TIOCNXCL);
        if (openCount_ == 0)
            ::tcflush(keptSlave_, TCIFLUSH);
    }
    return openCount_;
}

} // namespace plx71sim
