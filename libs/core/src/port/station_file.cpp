#include "plx71/port/station_file.hpp"

#include "plx71/files/regular_file.hpp"
#include "plx71/port/port_names.hpp"

#include <cstdlib>

namespace plx71 {

namespace {

// Far beyond any station's list of ports.
constexpr std::size_t kMaxStationFileBytes = 1 << 20;

std::string_view trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// A port name is a word a person types: letters, digits, '-', '_' and '.',
// starting with a letter; never a COM name, never a path or usb: form.
bool validPortName(std::string_view name)
{
    if (name.empty() || name.size() > 64 || comPortIndexFromName(name))
        return false;
    if (!((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z')))
        return false;
    for (char c : name) {
        const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == '.';
        if (!word)
            return false;
    }
    return true;
}

// A target names one device; it never points at another entry.
bool validTarget(std::string_view target)
{
    return !target.empty() && !comPortIndexFromName(target) && target.find_first_of(" \t") == std::string_view::npos;
}

} // namespace

const StationPort* StationFile::findPort(std::string_view name) const
{
    for (const auto& p : ports) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

StationFileResult parseStationFile(std::string_view text, const std::string& path)
{
    StationFile station;
    station.path = path;
    int lineNo = 0;
    std::size_t pos = 0;
    auto fail = [&](const std::string& why) {
        return StationFileResult{std::nullopt, path + ":" + std::to_string(lineNo) + ": " + why};
    };
    while (pos <= text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (const auto hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = trim(line);
        if (line.empty())
            continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            return fail("expected 'COMn = PORT' or 'port NAME = PORT', got '" + std::string(line) + "'");
        const std::string_view key = trim(line.substr(0, eq));
        const std::string_view target = trim(line.substr(eq + 1));
        if (!validTarget(target))
            return fail("'" + std::string(target)
                        + "' is no port (a device path, by-id or by-path name, or "
                          "usb:VID:PID[:SERIAL])");
        if (auto com = comPortIndexFromName(key)) {
            if (!station.comTargets[std::size_t(*com)].empty())
                return fail(std::string(key) + " is mapped twice (first on line "
                            + std::to_string(station.comLines[std::size_t(*com)]) + ")");
            station.comTargets[std::size_t(*com)] = std::string(target);
            station.comLines[std::size_t(*com)] = lineNo;
            continue;
        }
        if (key.substr(0, 5) != "port " && key.substr(0, 5) != "port\t")
            return fail("unknown key '" + std::string(key) + "' (COM1..COM4 or 'port NAME')");
        const std::string_view name = trim(key.substr(5));
        if (!validPortName(name))
            return fail("'" + std::string(name) + "' is no port name (a letter, then letters, digits, '-', '_', '.')");
        if (const auto* first = station.findPort(name))
            return fail("port '" + std::string(name) + "' is named twice (first on line " + std::to_string(first->line)
                        + ")");
        station.ports.push_back({std::string(name), std::string(target), lineNo});
    }
    return {std::move(station), {}};
}

std::string stationFilePath()
{
    if (const char* file = std::getenv("PLX71_PORTS"); file && *file)
        return file;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return (std::filesystem::path(config) / "plx71" / "ports.conf").string();
    if (const char* home = std::getenv("HOME"); home && *home)
        return (std::filesystem::path(home) / ".config" / "plx71" / "ports.conf").string();
    return {};
}

StationFileResult loadStationFile()
{
    const std::string path = stationFilePath();
    const char* named = std::getenv("PLX71_PORTS");
    std::error_code ec;
    if (path.empty() || (!(named && *named) && !std::filesystem::exists(path, ec)))
        return {StationFile{}, {}};
    // A folder, FIFO or device is no station file: refused like an
    // unreadable one, never skipped and never waited on.
    const FileRead read = readRegularFile(path, kMaxStationFileBytes);
    if (read.status == FileStatus::NotRegular)
        return {std::nullopt, path + ": not a regular file"};
    if (read.status != FileStatus::Ok)
        return {std::nullopt, path + ": cannot be read"};
    if (read.truncated)
        return {std::nullopt, path + ": larger than " + std::to_string(kMaxStationFileBytes) + " bytes"};
    return parseStationFile(read.bytes, path);
}

} // namespace plx71
