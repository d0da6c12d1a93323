#include "commands/port_commands.hpp"

#include "plx71/port/port_names.hpp"
#include "plx71/port/port_resolver.hpp"

#include <cstdio>
#include <string>
#include <vector>
#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#endif

namespace plx71::cli {

namespace {

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string jsonList(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i)
        out += (i ? "," : "") + jsonString(items[i]);
    return out + "]";
}

// The group that may open a device the user may not ("dialout").
std::string owningGroup(const std::string& path)
{
#ifndef _WIN32
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (const group* g = ::getgrgid(st.st_gid))
            return g->gr_name;
    }
#else
    (void)path;
#endif
    return {};
}

std::string holdersText(const std::vector<PortHolder>& holders)
{
    std::string text;
    for (const auto& h : holders)
        text += (text.empty() ? "" : ", ") + std::to_string(h.pid) + (h.command.empty() ? "" : " (" + h.command + ")");
    return text;
}

std::string deviceJson(const SerialDevice& d, const std::vector<std::string>& mappedBy)
{
    std::string j = "{\"path\":" + jsonString(d.path) + ",\"name\":" + jsonString(d.name)
        + ",\"byId\":" + jsonList(d.byId) + ",\"byPath\":" + jsonList(d.byPath);
    if (!d.vendorId.empty())
        j += ",\"usb\":" + jsonString(d.usbName()) + ",\"vendorId\":" + jsonString(d.vendorId)
            + ",\"productId\":" + jsonString(d.productId) + ",\"serialNumber\":" + jsonString(d.serialNumber);
    if (!d.driver.empty())
        j += ",\"driver\":" + jsonString(d.driver);
    if (!d.friendlyName.empty())
        j += ",\"friendlyName\":" + jsonString(d.friendlyName);
    if (!d.kernelDevice.empty())
        j += ",\"kernelDevice\":" + jsonString(d.kernelDevice);
    j += std::string(",\"mayOpen\":") + (d.mayOpen ? "true" : "false");
    if (!d.mayOpen)
        j += ",\"group\":" + jsonString(owningGroup(d.path));
    j += ",\"holders\":[";
    for (std::size_t i = 0; i < d.holders.size(); ++i)
        j += std::string(i ? "," : "") + "{\"pid\":" + std::to_string(d.holders[i].pid)
            + ",\"command\":" + jsonString(d.holders[i].command) + "}";
    j += "]";
    if (d.latencyTimerMs)
        j += ",\"latencyTimerMs\":" + std::to_string(*d.latencyTimerMs);
    if (d.lowLatency)
        j += std::string(",\"lowLatency\":") + (*d.lowLatency ? "true" : "false");
    return j + ",\"stableName\":" + jsonString(d.stableName()) + ",\"mappedBy\":" + jsonList(mappedBy) + "}";
}

void printDevice(const SerialDevice& d, const std::vector<std::string>& mappedBy)
{
    std::string head = d.path;
    if (!d.vendorId.empty())
        head += "  " + d.usbName();
    if (!d.driver.empty())
        head += "  " + d.driver;
    if (!d.friendlyName.empty())
        head += "  " + d.friendlyName;
    if (!d.kernelDevice.empty())
        head += "  " + d.kernelDevice;
    for (const auto& name : mappedBy)
        head += "  [" + name + "]";
    std::printf("%s\n", head.c_str());
    for (const auto& n : d.byId)
        std::printf("    by-id:    %s\n", n.c_str());
    for (const auto& n : d.byPath)
        std::printf("    by-path:  %s\n", n.c_str());
    if (d.mayOpen) {
        std::printf("    access:   yes\n");
    } else {
        const std::string group = owningGroup(d.path);
        std::printf("    access:   no%s\n", group.empty() ? "" : (" (group " + group + ")").c_str());
    }
    if (!d.holders.empty())
        std::printf("    held by:  %s\n", holdersText(d.holders).c_str());
    if (d.latencyTimerMs)
        std::printf("    latency:  %d ms%s\n", *d.latencyTimerMs, *d.latencyTimerMs > 1 ? " (1 ms is best)" : "");
    if (d.lowLatency)
        std::printf("    low latency: %s\n", *d.lowLatency ? "on" : "off");
}

int runPorts(CliContext& ctx)
{
    auto station = loadStationFile();
    if (!station.station) {
        std::fprintf(stderr, "%s\n", station.error.c_str());
        return kExitUsage;
    }
    PortCatalog catalog(systemRoot());
    PortResolver resolver(catalog, *station.station);
    std::vector<SerialDevice> devices = catalog.devices();

    // Where each mapping leads; terminals outside /dev/tty* join the list.
    struct Mapping {
        std::string name, target, source, device;
    };
    std::vector<Mapping> mappings;
    for (int i = 0; i < kComPortCount; ++i) {
        const ComMapping m = resolver.comMapping(i);
        mappings.push_back({comPortName(i), m.target, m.sourceText, m.devicePath});
    }
    for (const auto& p : station.station->ports) {
        const PortResolution r = resolver.resolve(p.name);
        const std::string device = r.port ? r.port->devicePath : std::string();
        mappings.push_back({p.name, p.target, station.station->path + ":" + std::to_string(p.line), device});
    }
    auto findDevice = [&](const std::string& path) -> SerialDevice* {
        const SerialDevice probe = catalog.describe(path);
        for (auto& d : devices) {
            if (!probe.canonical.empty() && d.canonical == probe.canonical)
                return &d;
        }
        return nullptr;
    };
    std::vector<std::vector<std::string>> mappedBy(devices.size());
    for (const auto& m : mappings) {
        if (m.device.empty())
            continue;
        SerialDevice* d = findDevice(m.device);
        if (!d && !catalog.describe(m.device).canonical.empty() && m.source != "default") {
            devices.push_back(catalog.describe(m.device));
            mappedBy.emplace_back();
            d = &devices.back();
        }
        if (d)
            mappedBy[std::size_t(d - devices.data())].push_back(m.name);
    }

    const auto holders = portHolders(catalog.root());
    for (auto& d : devices) {
        if (auto it = holders.find(d.canonical); it != holders.end())
            d.holders = it->second;
    }

    if (ctx.json) {
        std::string j =
            "{\"command\":\"ports\",\"stationFile\":" + jsonString(station.station->path) + ",\"devices\":[";
        for (std::size_t i = 0; i < devices.size(); ++i)
            j += (i ? "," : "") + deviceJson(devices[i], mappedBy[i]);
        j += "],\"mappings\":[";
        for (std::size_t i = 0; i < mappings.size(); ++i)
            j += std::string(i ? "," : "") + "{\"name\":" + jsonString(mappings[i].name)
                + ",\"target\":" + jsonString(mappings[i].target) + ",\"source\":" + jsonString(mappings[i].source)
                + ",\"devicePath\":" + jsonString(mappings[i].device) + "}";
        ctx.jsonResult = j + "]}";
        return kExitOk;
    }
    if (devices.empty())
        std::printf("no serial devices\n");
    for (std::size_t i = 0; i < devices.size(); ++i)
        printDevice(devices[i], mappedBy[i]);
    std::printf("\n");
    for (const auto& m : mappings) {
        const std::string via = m.target == m.device ? m.source : m.source + ": " + m.target;
        std::printf("%-6s -> %s (%s)\n", m.name.c_str(), m.device.empty() ? "nothing" : m.device.c_str(), via.c_str());
    }
    return kExitOk;
}

} // namespace

void addPortCommands(CLI::App& app, CliContext& ctx)
{
    auto* ports = app.add_subcommand("ports",
                                     "list the serial devices and where COM1..COM4 and the station's "
                                     "named ports lead");
    ports->callback([&ctx] { ctx.run = [&ctx](CliUi&) { return runPorts(ctx); }; });
}

} // namespace plx71::cli
