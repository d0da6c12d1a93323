#pragma once
// A machine's /dev, /dev/serial and sysfs in a scratch folder, for the port
// catalog: device nodes are links to pseudo-terminals the test owns, and
// <root>/proc is the real /proc so holders are found.
#ifndef _WIN32

#include "plx71/testing/scratch_dir.hpp"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace plx71::test {

namespace fs = std::filesystem;

class FakePty {
public:
    FakePty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slave_ = ::ptsname(master_);
    }
    ~FakePty()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    const std::string& slave() const { return slave_; }

private:
    int master_ = -1;
    std::string slave_;
};

struct FakeUsbPort {
    std::string name; // "ttyUSB0"
    std::string vid, pid, serial, driver;
    std::string byId, byPath;
    int latencyTimer = -1; // none when negative
};

class FakeSystemTree {
public:
    FakeSystemTree() : root_(scratch_.path())
    {
        fs::create_directories(root_ / "dev/serial/by-id");
        fs::create_directories(root_ / "dev/serial/by-path");
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directory_symlink("/proc", root_ / "proc");
    }
    const fs::path& root() const { return root_; }

    // A USB adapter on its own pseudo-terminal; returns the terminal's path.
    std::string addUsb(const FakeUsbPort& p)
    {
        const std::string slave = addNode(p.name);
        const fs::path usbDevice = root_ / "sys/devices/usb1" / ("1-" + std::to_string(++usbCount_));
        const fs::path iface = usbDevice / (usbDevice.filename().string() + ":1.0") / p.name;
        fs::create_directories(iface);
        write(usbDevice / "idVendor", p.vid);
        write(usbDevice / "idProduct", p.pid);
        if (!p.serial.empty())
            write(usbDevice / "serial", p.serial);
        if (p.latencyTimer >= 0)
            write(iface / "latency_timer", std::to_string(p.latencyTimer));
        fs::create_directories(root_ / "sys/bus/usb-serial/drivers" / p.driver);
        fs::create_directory_symlink(fs::relative(root_ / "sys/bus/usb-serial/drivers" / p.driver, iface),
                                     iface / "driver");
        const fs::path cls = root_ / "sys/class/tty" / p.name;
        fs::create_directories(cls);
        fs::create_directory_symlink(fs::relative(iface, cls), cls / "device");
        if (!p.byId.empty())
            fs::create_symlink("../../" + p.name, root_ / "dev/serial/by-id" / p.byId);
        if (!p.byPath.empty())
            fs::create_symlink("../../" + p.name, root_ / "dev/serial/by-path" / p.byPath);
        return slave;
    }

    // A UART: present when its sysfs type is not 0.
    void addUart(const std::string& name, int type, int flags)
    {
        addNode(name);
        const fs::path cls = root_ / "sys/class/tty" / name;
        fs::create_directories(cls);
        write(cls / "type", std::to_string(type));
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", flags);
        write(cls / "flags", hex);
    }

    static void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text << "\n"; }

private:
    std::string addNode(const std::string& name)
    {
        ptys_.push_back(std::make_unique<FakePty>());
        fs::create_symlink(ptys_.back()->slave(), root_ / "dev" / name);
        return ptys_.back()->slave();
    }

    plx71::test::ScratchDir scratch_; // removed last
    fs::path root_;
    int usbCount_ = 0;
    std::vector<std::unique_ptr<FakePty>> ptys_;
};

} // namespace plx71::test

#endif
