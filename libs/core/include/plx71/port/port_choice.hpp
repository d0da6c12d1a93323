#pragma once
// Which port one writer box is reached through. Every front end states it
// the same way: a COM choice (COM1..COM4, mapped to a device as port_names
// says) or a device path, plus an optional stable name that results and
// production records carry (a by-id path or a station name), so a record
// still says which box it was when the kernel renumbers the ports.
#include <string>

namespace plx71 {

struct PortChoice {
    int comPortIndex = 0;   // 0..3 = COM1..COM4; used when devicePath is empty
    std::string devicePath; // a device path; empty: the COM mapping
    std::string stableName; // by-id path or station name for records; may be empty
    std::string given;      // the name the operator typed (--port), kept for records; may be empty

    static PortChoice com(int comPortIndex);
    static PortChoice path(std::string devicePath, std::string stableName = {});

    // The name messages use: "COM%d" for a COM choice, else the path itself.
    std::string displayName() const;
    // The device that is opened: the path, or the COM mapping (PLX71_COM<n>
    // when set, else /dev/ttyS<n-1> on POSIX and COM<n> on Windows).
    std::string deviceName() const;
    // The stable name when there is one, else the display name.
    std::string recordName() const;
    // The device node the link ends at, every symbolic link followed
    // (/dev/ttyUSB0 for a by-id name); the device name when it is not there.
    std::string deviceNode() const;

    bool operator==(const PortChoice&) const = default;
};

} // namespace plx71
