#pragma once
// Paths between Qt's texts and the core's file routines. Qt holds UTF-16;
// going through it keeps every character of a name on every system.
#include <QString>

#include <filesystem>

namespace plx71 {

// Points a window program at another device table (tests, unusual installs).
inline constexpr const char* kDeviceTableVariable = "PLX71_DEVICE_TABLE";

} // namespace plx71

namespace plx71::qtui {

// A path the user chose, for the core's file routines.
inline std::filesystem::path toPath(const QString& text)
{
    return std::filesystem::path(text.toStdU16String());
}

// A path of the core, for showing or for Qt's file routines.
inline QString fromPath(const std::filesystem::path& path)
{
    return QString::fromStdU16String(path.u16string());
}

} // namespace plx71::qtui
