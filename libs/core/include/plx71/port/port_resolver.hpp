#pragma once
// From what a person types after --port to the device a box session opens:
// COM1..COM4, a device path, a by-id or by-path name, usb:VID:PID[:SERIAL],
// or a port named in the station file.
#include "plx71/port/port_catalog.hpp"
#include "plx71/port/port_choice.hpp"
#include "plx71/port/station_file.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace plx71 {

enum class PortResolveError {
    None,
    Usage,     // nothing or a malformed form given
    NotFound,  // no device matches
    Ambiguous, // several devices match
};

struct PortResolution {
    // COM<n> mapped by PLX71_COM<n> or by default keeps an empty devicePath;
    // stableName is the by-id name (else by-path name, else the path).
    std::optional<PortChoice> port;
    PortResolveError error = PortResolveError::None;
    std::string message; // names the candidates
};

// Where COM<n> leads and why: PLX71_COM<n> wins over the station file,
// which wins over the system's default device.
enum class ComSource { Environment, Station, Default };

struct ComMapping {
    std::string target; // as configured: a path, by-id name, usb:...
    ComSource source = ComSource::Default;
    std::string sourceText; // "PLX71_COM1", "ports.conf:3" or "default"
    std::string devicePath; // the device it reaches now; empty when none
};

class PortResolver {
public:
    PortResolver(PortCatalog& catalog, StationFile station);

    PortResolution resolve(std::string_view spec);
    ComMapping comMapping(int comPortIndex);
    const StationFile& station() const { return station_; }

private:
    PortResolution resolveTarget(std::string_view target);
    PortResolution resolveUsb(std::string_view spec);
    PortResolution found(const std::string& devicePath);
    std::string candidates();

    PortCatalog& catalog_;
    StationFile station_;
};

// The device the station file in use maps COM<n> to (the target as written
// when it reaches no device now, so the open fails rather than another port
// being used); none when the file does not map it or cannot be read.
std::optional<std::string> stationComDevice(int comPortIndex);

} // namespace plx71
