#include "plx71/port/port_catalog.hpp"

#include "port/windows_serial_ports.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string_view>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace plx71 {

namespace {

std::string firstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string canonicalOf(const fs::path& p)
{
    std::error_code ec;
    auto c = fs::canonical(p, ec);
    return ec ? std::string() : c.string();
}

#ifndef _WIN32
// "ttyUSB10" after "ttyUSB9": the prefix, then the number.
bool naturalLess(const std::string& a, const std::string& b)
{
    auto split = [](const std::string& s) {
        auto digits = s.find_last_not_of("0123456789") + 1;
        long n = digits < s.size() ? std::strtol(s.c_str() + digits, nullptr, 10) : -1;
        return std::pair{s.substr(0, digits), n};
    };
    return split(a) < split(b);
}

bool hasNumberAfter(std::string_view name, std::string_view prefix)
{
    if (name.substr(0, prefix.size()) != prefix || name.size() == prefix.size())
        return false;
    return name.substr(prefix.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

// A ttyS node exists for every UART the kernel could drive; only those whose
// sysfs type is not 0 (unknown) are there. Without sysfs, trust /dev.
bool uartPresent(const fs::path& root, const std::string& name)
{
    const auto type = root / "sys/class/tty" / name / "type";
    std::error_code ec;
    if (!fs::exists(type, ec))
        return true;
    const std::string value = firstLine(type);
    return !value.empty() && value != "0";
}

#endif

// canonical device -> names of the links in one /dev/serial folder.
std::map<std::string, std::vector<std::string>> linksIn(const fs::path& folder)
{
    std::map<std::string, std::vector<std::string>> links;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string target = canonicalOf(entry.path());
        if (!target.empty())
            links[target].push_back(entry.path().filename().string());
    }
    for (auto& [target, names] : links)
        std::sort(names.begin(), names.end());
    return links;
}

} // namespace

PortCatalog::PortCatalog(fs::path root) : root_(std::move(root)) {}

std::string PortCatalog::underRoot(const std::string& path) const
{
    if (root_.empty() || root_ == "/" || path.empty() || path.front() != '/')
        return path;
    return (root_ / path.substr(1)).lexically_normal().string();
}

const std::vector<SerialDevice>& PortCatalog::devices()
{
    if (!scanned_)
        scan();
    return devices_;
}

void PortCatalog::scan()
{
    scanned_ = true;
#ifdef _WIN32
    // No /dev here: the system's serial-port map lists the COM ports.
    devices_ = windowsSerialPorts();
#else
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_ / "dev", ec)) {
        const std::string name = entry.path().filename().string();
        if (hasNumberAfter(name, "ttyUSB") || hasNumberAfter(name, "ttyACM")
            || (hasNumberAfter(name, "ttyS") && uartPresent(root_, name)))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), naturalLess);
    for (const auto& name : names) {
        SerialDevice d;
        d.name = name;
        d.path = underRoot("/dev/" + name);
        fill(d);
        devices_.push_back(std::move(d));
    }
#endif
}

SerialDevice PortCatalog::describe(const std::string& path)
{
#ifdef _WIN32
    // "COM3", "com3" and "\\.\COM3" all name the port COM3.
    std::string name = path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    for (const auto& d : devices()) {
        if (d.canonical == name)
            return d;
    }
    SerialDevice unknown;
    unknown.path = path;
    unknown.name = path;
    return unknown;
#else
    const std::string canonical = canonicalOf(path);
    if (!canonical.empty()) {
        for (const auto& d : devices()) {
            if (d.canonical == canonical)
                return d;
        }
    }
    SerialDevice d;
    d.path = path;
    d.name = fs::path(canonical.empty() ? path : canonical).filename().string();
    if (!canonical.empty())
        fill(d);
    return d;
#endif
}

void PortCatalog::fill(SerialDevice& d)
{
    d.canonical = canonicalOf(d.path);
    if (auto byId = linksIn(root_ / "dev/serial/by-id"); byId.count(d.canonical))
        d.byId = byId[d.canonical];
    if (auto byPath = linksIn(root_ / "dev/serial/by-path"); byPath.count(d.canonical))
        d.byPath = byPath[d.canonical];
#ifndef _WIN32
    d.mayOpen = ::access(d.path.c_str(), R_OK | W_OK) == 0;
#endif

    const fs::path tty = root_ / "sys/class/tty" / d.name;
    if (const std::string flags = firstLine(tty / "flags"); !flags.empty())
        d.lowLatency = (std::strtoul(flags.c_str(), nullptr, 16) & 0x2000) != 0; // ASYNC_LOW_LATENCY
    const std::string device = canonicalOf(tty / "device");
    if (device.empty())
        return;
    // Newer kernels put their own serial-base layers ("port", "ctrl") between
    // the tty and the driver of the hardware; name the hardware's.
    fs::path owner = device;
    for (int level = 0; level < 3; ++level, owner = owner.parent_path()) {
        const std::string driver = canonicalOf(owner / "driver");
        if (driver.find("/bus/serial-base/") == std::string::npos) {
            d.driver = fs::path(driver).filename().string();
            break;
        }
    }
    if (const std::string latency = firstLine(fs::path(device) / "latency_timer"); !latency.empty())
        d.latencyTimerMs = std::atoi(latency.c_str());
    // The USB device is the nearest folder above the interface with an idVendor.
    const std::string sysRoot = canonicalOf(root_ / "sys");
    std::error_code ec;
    for (fs::path up = device; !up.empty() && up.string().size() > sysRoot.size(); up = up.parent_path()) {
        if (fs::exists(up / "idVendor", ec)) {
            d.vendorId = firstLine(up / "idVendor");
            d.productId = firstLine(up / "idProduct");
            d.serialNumber = firstLine(up / "serial");
            break;
        }
        if (up == up.parent_path())
            break;
    }
}

std::map<std::string, std::vector<PortHolder>> portHolders(const fs::path& root)
{
    std::map<std::string, std::vector<PortHolder>> holders;
    std::error_code ec;
    for (const auto& proc : fs::directory_iterator(root / "proc", ec)) {
        const std::string pid = proc.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::vector<std::string> held;
        std::error_code fdEc;
        for (const auto& fd : fs::directory_iterator(proc.path() / "fd", fdEc)) {
            std::error_code linkEc;
            const std::string target = fs::read_symlink(fd.path(), linkEc).string();
            if (!linkEc && target.rfind("/dev/", 0) == 0 && std::find(held.begin(), held.end(), target) == held.end())
                held.push_back(target);
        }
        if (held.empty())
            continue;
        const PortHolder holder{std::atoi(pid.c_str()), firstLine(proc.path() / "comm")};
        for (const auto& target : held)
            holders[target].push_back(holder);
    }
    for (auto& [device, list] : holders)
        std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return holders;
}

fs::path systemRoot()
{
    if (const char* root = std::getenv("PLX71_SYSTEM_ROOT"); root && *root)
        return root;
    return "/";
}

} // namespace plx71
