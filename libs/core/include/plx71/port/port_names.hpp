#pragma once
// From the user's port choice (COM1..COM4, or a device path on the command
// line) to the device the system opens and the name its messages use.
#include <optional>
#include <string>
#include <string_view>

namespace plx71 {

inline constexpr int kComPortCount = 4;

// "COM1".."COM4" for comPortIndex 0..3 ("COM<n>" for any other index).
std::string comPortName(int comPortIndex);

// The device to open. A non-empty `portOverride` (a device path) is used as
// is; otherwise COM<n> maps to the environment variable PLX71_COM<n> when it
// is set and not empty, else to the station file's COM<n> entry (see
// station_file.hpp), else to systemComDevice.
std::string portDeviceName(int comPortIndex, std::string_view portOverride = {});

// The operating system's device of COM<n>: /dev/ttyS<n-1> (POSIX) or COM<n> (Windows).
std::string systemComDevice(int comPortIndex);

// The name in "COM%d cannot be used": "COM2", or the override path itself.
std::string portDisplayName(int comPortIndex, std::string_view portOverride = {});

// "COM1".."COM4" (any case) -> 0..3; anything else is no COM name.
std::optional<int> comPortIndexFromName(std::string_view name);

} // namespace plx71
