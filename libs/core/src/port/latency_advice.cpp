#include "plx71/port/latency_advice.hpp"

#ifdef __linux__
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace plx71 {

bool requestLowLatency(const std::string& devicePath)
{
#if defined(__linux__) && defined(ASYNC_LOW_LATENCY)
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct ss{};
    bool ok = ::ioctl(fd, TIOCGSERIAL, &ss) == 0;
    if (ok) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ok = ::ioctl(fd, TIOCSSERIAL, &ss) == 0;
    }
    ::close(fd);
    return ok;
#else
    (void)devicePath;
    return false;
#endif
}

std::string latencyAdvice(PortCatalog& catalog, const std::string& devicePath)
{
    SerialDevice d = catalog.describe(devicePath);
    if (!d.latencyTimerMs || *d.latencyTimerMs <= 1)
        return {};
    if (requestLowLatency(d.path)) {
        PortCatalog fresh(catalog.root());
        d = fresh.describe(devicePath);
        if (!d.latencyTimerMs || *d.latencyTimerMs <= 1)
            return {};
    }
    const std::string ms = std::to_string(*d.latencyTimerMs);
    return d.path + ": the adapter's latency timer is " + ms
        + " ms and low latency could not be set (a download takes up to 60 % longer); fix: echo 1 | sudo tee "
          "/sys/bus/usb-serial/devices/"
        + d.name
        + "/latency_timer, or for good a udev rule: ACTION==\"add\", SUBSYSTEM==\"usb-serial\", "
          "DRIVER==\"ftdi_sio\", ATTR{latency_timer}=\"1\"";
}

} // namespace plx71
