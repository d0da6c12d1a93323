#include "plx71/port/port_resolver.hpp"

#include "plx71/port/port_names.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace plx71 {

namespace {

PortResolution failure(PortResolveError error, std::string message)
{
    return {std::nullopt, error, std::move(message)};
}

bool sameHex(std::string_view a, std::string_view b)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

bool isHexId(std::string_view s)
{
    return s.size() == 4 && s.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

std::string listOf(const std::vector<std::string>& items)
{
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text.empty() ? "none" : text;
}

std::string describeForList(const SerialDevice& d)
{
    const std::string usb = d.usbName();
    return d.path + (usb.empty() ? "" : " (" + usb + ")");
}

} // namespace

PortResolver::PortResolver(PortCatalog& catalog, StationFile station) : catalog_(catalog), station_(std::move(station))
{}

PortResolution PortResolver::found(const std::string& devicePath)
{
    const SerialDevice d = catalog_.describe(devicePath);
    PortChoice port;
    port.devicePath = devicePath;
    port.stableName = d.byId.empty() && d.byPath.empty() ? devicePath : d.stableName();
    return {port, PortResolveError::None, {}};
}

std::string PortResolver::candidates()
{
    std::vector<std::string> items;
    for (const auto& d : catalog_.devices())
        items.push_back(describeForList(d));
    std::string text = "serial ports here: " + listOf(items);
    if (!station_.ports.empty()) {
        std::vector<std::string> names;
        for (const auto& p : station_.ports)
            names.push_back(p.name);
        text += "; station ports: " + listOf(names);
    }
    return text;
}

PortResolution PortResolver::resolveUsb(std::string_view spec)
{
    // usb:VID:PID[:SERIAL]; the serial number may itself hold ':'.
    const std::string_view rest = spec.substr(4);
    const auto colon = rest.find(':');
    const std::string_view vid = rest.substr(0, colon);
    const std::string_view pid = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1, 4);
    const std::size_t afterPid = colon == std::string_view::npos ? rest.size() : colon + 1 + pid.size();
    if (!isHexId(vid) || !isHexId(pid) || (afterPid < rest.size() && rest[afterPid] != ':'))
        return failure(PortResolveError::Usage,
                       "'" + std::string(spec) + "' is no USB port (usb:VID:PID[:SERIAL], VID and PID 4 hex digits)");
    const std::string_view serial = afterPid < rest.size() ? rest.substr(afterPid + 1) : std::string_view{};
    std::vector<const SerialDevice*> matches;
    for (const auto& d : catalog_.devices()) {
        if (sameHex(d.vendorId, vid) && sameHex(d.productId, pid) && (serial.empty() || d.serialNumber == serial))
            matches.push_back(&d);
    }
    if (matches.size() == 1)
        return found(matches.front()->path);
    if (matches.empty())
        return failure(PortResolveError::NotFound, "no serial port is " + std::string(spec) + "; " + candidates());
    std::vector<std::string> items;
    for (const auto* d : matches)
        items.push_back(describeForList(*d));
    return failure(PortResolveError::Ambiguous,
                   std::string(spec) + " matches several ports: " + listOf(items) + "; add the serial number");
}

PortResolution PortResolver::resolveTarget(std::string_view target)
{
    if (target.substr(0, 4) == "usb:")
        return resolveUsb(target);
    // Paths are taken as typed (the box session reports one that is absent).
    if (target.find('/') != std::string_view::npos)
        return found(std::string(target));
    for (const char* folder : {"/dev/serial/by-id/", "/dev/serial/by-path/"}) {
        const std::string link = catalog_.underRoot(folder + std::string(target));
        std::error_code ec;
        if (fs::is_symlink(link, ec)) {
            const SerialDevice d = catalog_.describe(link);
            return found(d.canonical.empty() || d.path == link ? link : d.path);
        }
    }
    return failure(PortResolveError::NotFound,
                   "no port named '" + std::string(target)
                       + "' (COM1..COM4, a device path, a by-id or by-path name, "
                         "usb:VID:PID[:SERIAL] or a station port); "
                       + candidates());
}

PortResolution PortResolver::resolve(std::string_view spec)
{
    if (spec.empty())
        return failure(PortResolveError::Usage,
                       "--port needs a port (COM1..COM4, a device path, a by-id name, "
                       "usb:VID:PID[:SERIAL] or a station port)");
    if (auto com = comPortIndexFromName(spec)) {
        const ComMapping mapping = comMapping(*com);
        PortChoice port;
        port.comPortIndex = *com;
        // The session maps COM<n> itself (PLX71_COM<n>, this station file,
        // the system's device); a station target that reaches nothing is
        // refused here, with the candidates.
        if (mapping.source == ComSource::Station) {
            auto r = resolveTarget(mapping.target);
            if (!r.port)
                return failure(r.error, comPortName(*com) + " (" + mapping.sourceText + "): " + r.message);
            port.stableName = r.port->stableName;
        } else {
            port.stableName = found(mapping.devicePath).port->stableName;
        }
        return {port, PortResolveError::None, {}};
    }
    if (const auto* named = station_.findPort(spec)) {
        auto r = resolveTarget(named->target);
        if (!r.port)
            r.message =
                "port " + named->name + " (" + station_.path + ":" + std::to_string(named->line) + "): " + r.message;
        return r;
    }
    return resolveTarget(spec);
}

ComMapping PortResolver::comMapping(int comPortIndex)
{
    ComMapping m;
    const std::string variable = "PLX71_" + comPortName(comPortIndex);
    const std::size_t slot = std::size_t(comPortIndex);
    if (const char* value = std::getenv(variable.c_str()); value && *value) {
        m.target = value;
        m.source = ComSource::Environment;
        m.sourceText = variable;
        m.devicePath = value;
    } else if (slot < station_.comTargets.size() && !station_.comTargets[slot].empty()) {
        m.target = station_.comTargets[slot];
        m.source = ComSource::Station;
        m.sourceText = station_.path + ":" + std::to_string(station_.comLines[slot]);
        if (auto r = resolveTarget(m.target); r.port)
            m.devicePath = r.port->devicePath;
    } else {
        m.target = systemComDevice(comPortIndex);
        m.sourceText = "default";
        m.devicePath = m.target;
    }
    return m;
}

std::optional<std::string> stationComDevice(int comPortIndex)
{
    const auto loaded = loadStationFile();
    const std::size_t slot = std::size_t(comPortIndex);
    if (!loaded.station || slot >= loaded.station->comTargets.size() || loaded.station->comTargets[slot].empty())
        return std::nullopt;
    PortCatalog catalog(systemRoot());
    PortResolver resolver(catalog, *loaded.station);
    const ComMapping mapping = resolver.comMapping(comPortIndex);
    if (mapping.source != ComSource::Station)
        return std::nullopt;
    return mapping.devicePath.empty() ? mapping.target : mapping.devicePath;
}

} // namespace plx71
