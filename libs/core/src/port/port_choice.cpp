#include "plx71/port/port_choice.hpp"

#include "plx71/port/port_names.hpp"

#include <filesystem>

namespace plx71 {

PortChoice PortChoice::com(int comPortIndex)
{
    PortChoice c;
    c.comPortIndex = comPortIndex;
    return c;
}

PortChoice PortChoice::path(std::string devicePath, std::string stableName)
{
    PortChoice c;
    c.devicePath = std::move(devicePath);
    c.stableName = std::move(stableName);
    return c;
}

std::string PortChoice::displayName() const
{
    return portDisplayName(comPortIndex, devicePath);
}

std::string PortChoice::deviceName() const
{
    return portDeviceName(comPortIndex, devicePath);
}

std::string PortChoice::recordName() const
{
    return stableName.empty() ? displayName() : stableName;
}

std::string PortChoice::deviceNode() const
{
    const std::string name = deviceName();
    std::error_code ec;
    const auto node = std::filesystem::canonical(name, ec);
    return ec ? name : node.string();
}

} // namespace plx71
