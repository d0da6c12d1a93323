#include "plx71/image/protect_level.hpp"

#include "plx71/image/rom_image.hpp"

namespace plx71 {

int protectLevel(std::uint8_t b)
{
    // Bits 5-4 first: both clear means no protection, whatever the rest says.
    if ((b & 0x30) == 0)
        return 0;
    if ((b & 0x0C) != 0x0C)
        return 2;
    if ((b & 0xC0) != 0xC0)
        return 1;
    return 0;
}

std::string_view protectText(int level)
{
    switch (level) {
    case 1:
        return "Level 1 protect enabled";
    case 2:
        return "Level 2 protect enabled";
    default:
        return "Protect removed";
    }
}

std::uint8_t protectByte(const DeviceRecord& device, std::span<const std::uint8_t> userImage)
{
    if (device.userRomEnd < device.userRomStart)
        return kBlankByte;
    const std::uint64_t index = std::uint64_t(device.userRomEnd) - device.userRomStart;
    return index < userImage.size() ? userImage[std::size_t(index)] : kBlankByte;
}

} // namespace plx71
