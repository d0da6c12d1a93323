#include "commands/ports_command.hpp"

#include "plx71/port/port_names.hpp"
#include "plx71/port/port_resolver.hpp"
#include "plx71/text/json_writer.hpp"

#include <cstdio>
#include <string>
#include <vector>
#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#endif

namespace plx71::cli {

namespace {

std::string jsonList(const std::vector<std::string>& items)
{
    JsonArray out;
    for (const std::string& item : items)
        out.string(item);
    return out.text();
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
    JsonObject j;
    j.string("path", d.path).string("name", d.name).raw("byId", jsonList(d.byId)).raw("byPath", jsonList(d.byPath));
    if (!d.vendorId.empty())
        j.string("usb", d.usbName())
            .string("vendorId", d.vendorId)
            .string("productId", d.productId)
            .string("serialNumber", d.serialNumber);
    if (!d.driver.empty())
        j.string("driver", d.driver);
    if (!d.friendlyName.empty())
        j.string("friendlyName", d.friendlyName);
    if (!d.kernelDevice.empty())
        j.string("kernelDevice", d.kernelDevice);
    j.boolean("mayOpen", d.mayOpen);
    if (!d.mayOpen)
        j.string("group", owningGroup(d.path));
    JsonArray holders;
    for (const PortHolder& h : d.holders)
        holders.object(JsonObject().number("pid", h.pid).string("command", h.command));
    j.raw("holders", holders.text());
    if (d.latencyTimerMs)
        j.number("latencyTimerMs", *d.latencyTimerMs);
    if (d.lowLatency)
        j.boolean("lowLatency", *d.lowLatency);
    return j.string("stableName", d.stableName()).raw("mappedBy", jsonList(mappedBy)).text();
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

// Where one COM name or station port leads.
struct PortMapping {
    std::string name, target, source, device;
};

std::string portsJson(const std::string& stationFile, const std::vector<SerialDevice>& devices,
                      const std::vector<std::vector<std::string>>& mappedBy, const std::vector<PortMapping>& mappings)
{
    JsonArray devicesJson, mappingsJson;
    for (std::size_t i = 0; i < devices.size(); ++i)
        devicesJson.raw(deviceJson(devices[i], mappedBy[i]));
    for (const auto& m : mappings)
        mappingsJson.object(JsonObject()
                                .string("name", m.name)
                                .string("target", m.target)
                                .string("source", m.source)
                                .string("devicePath", m.device));
    return JsonObject()
        .string("command", "ports")
        .string("stationFile", stationFile)
        .raw("devices", devicesJson.text())
        .raw("mappings", mappingsJson.text())
        .text();
}

} // namespace

int PortsCommand::run(CliContext& ctx, CliUi&) const
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
    std::vector<PortMapping> mappings;
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
        ctx.jsonResult = portsJson(station.station->path, devices, mappedBy, mappings);
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

CLI::App* PortsCommand::add(CLI::App& app)
{
    return app.add_subcommand(std::string(kName),
                              "list the serial devices and where COM1..COM4 and the station's "
                              "named ports lead");
}

} // namespace plx71::cli
