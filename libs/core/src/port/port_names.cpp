#include "plx71/port/port_names.hpp"

#include "plx71/port/port_resolver.hpp"

#include <cstdlib>

namespace plx71 {

std::string comPortName(int comPortIndex)
{
    return "COM" + std::to_string(comPortIndex + 1);
}

std::string portDeviceName(int comPortIndex, std::string_view portOverride)
{
    if (!portOverride.empty())
        return std::string(portOverride);
    std::string variable = "PLX71_" + comPortName(comPortIndex);
    if (const char* value = std::getenv(variable.c_str()); value && *value)
        return value;
    if (auto station = stationComDevice(comPortIndex))
        return *station;
    return systemComDevice(comPortIndex);
}

std::string systemComDevice(int comPortIndex)
{
#ifdef _WIN32
    return comPortName(comPortIndex);
#else
    return "/dev/ttyS" + std::to_string(comPortIndex);
#endif
}

std::string portDisplayName(int comPortIndex, std::string_view portOverride)
{
    if (!portOverride.empty())
        return std::string(portOverride);
    return comPortName(comPortIndex);
}

std::optional<int> comPortIndexFromName(std::string_view name)
{
    if (name.size() != 4)
        return std::nullopt;
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M')
        return std::nullopt;
    if (name[3] < '1' || name[3] > '0' + kComPortCount)
        return std::nullopt;
    return name[3] - '1';
}

} // namespace plx71
