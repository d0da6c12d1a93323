#pragma once
// The station file: which device each COM name and each named port of this
// line station is, by a name that survives a replug (a by-id name, a by-path
// name, usb:VID:PID[:SERIAL], or a device path).
//
//     # one entry a line; '#' starts a comment
//     COM1 = usb:0403:6001:A5XK3RJT
//     port line3 = /dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0
//
// Read from PLX71_PORTS when set, else $XDG_CONFIG_HOME/plx71/ports.conf
// (~/.config/plx71/ports.conf). A missing file is an empty station.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plx71 {

struct StationPort {
    std::string name;   // "line3"
    std::string target; // "usb:0403:6001:A5XK3RJT"
    int line = 0;       // where the file names it
};

struct StationFile {
    std::string path;                      // empty: no file was read
    std::array<std::string, 4> comTargets; // COM1..COM4; empty = not mapped
    std::array<int, 4> comLines{};         // the line of each mapping
    std::vector<StationPort> ports;        // in file order

    const StationPort* findPort(std::string_view name) const;
};

struct StationFileResult {
    std::optional<StationFile> station; // empty on an error
    std::string error;                  // "ports.conf:3: unknown key 'baud'"
};

// Parses the text of a station file; `path` names it in errors.
StationFileResult parseStationFile(std::string_view text, const std::string& path);

// The file in use: PLX71_PORTS, else the per-user configuration file.
// Empty when neither can be named (no HOME).
std::string stationFilePath();

// Reads stationFilePath(); a file that does not exist is an empty station
// (an error only when PLX71_PORTS names it).
StationFileResult loadStationFile();

} // namespace plx71
