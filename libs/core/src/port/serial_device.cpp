#include "plx71/port/serial_device.hpp"

namespace plx71 {

std::string SerialDevice::stableName() const
{
    if (!byId.empty())
        return byId.front();
    if (!byPath.empty())
        return byPath.front();
    return path;
}

std::string SerialDevice::usbName() const
{
    if (vendorId.empty() || productId.empty())
        return {};
    std::string name = "usb:" + vendorId + ":" + productId;
    if (!serialNumber.empty())
        name += ":" + serialNumber;
    return name;
}

} // namespace plx71
