#pragma once
// Every serial device of the machine, read from /dev, /dev/serial and sysfs
// below a system root ("/" in the programs; tests point it at a fake tree).
// Nothing is opened: opening a port toggles its modem lines.
#include "plx71/port/serial_device.hpp"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace plx71 {

class PortCatalog {
public:
    explicit PortCatalog(std::filesystem::path root = "/");

    // /dev/ttyS* (only UARTs sysfs knows to be present), ttyUSB*, ttyACM*,
    // in natural order. Scanned once, on the first call. Holders are left
    // empty (see portHolders): scanning /proc is for listings only.
    const std::vector<SerialDevice>& devices();

    // The device at `path` (a device, a by-id link, a terminal outside /dev):
    // from the scan when it is there, else described on its own. Empty
    // canonical when nothing exists at `path`.
    SerialDevice describe(const std::string& path);

    const std::filesystem::path& root() const { return root_; }
    // `path` below the root: "/dev/ttyUSB0" -> "<root>/dev/ttyUSB0".
    std::string underRoot(const std::string& path) const;

private:
    void scan();
    void fill(SerialDevice& device);

    std::filesystem::path root_;
    bool scanned_ = false;
    std::vector<SerialDevice> devices_;
};

// Every process holding a device open, by the device's canonical path, from
// one pass over <root>/proc/*/fd (only what this user may look into).
std::map<std::string, std::vector<PortHolder>> portHolders(const std::filesystem::path& root);

// The system root the programs use: PLX71_SYSTEM_ROOT when set (for tests
// and diagnosis on a copy of another machine's tree), else "/".
std::filesystem::path systemRoot();

} // namespace plx71
