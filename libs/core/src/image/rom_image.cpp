#include "plx71/image/rom_image.hpp"

#include <cstdio>

namespace plx71 {

std::size_t imageSize(Area area)
{
    return area == Area::UserRom ? kUserRomImageSize : kBootRomImageSize;
}

std::vector<std::uint8_t> blankImage(Area area)
{
    return std::vector<std::uint8_t>(imageSize(area), kBlankByte);
}

AreaRange areaRange(const DeviceRecord& device, Area area)
{
    if (area == Area::UserRom)
        return {device.userRomStart, device.userRomEnd};
    return {device.bootRomStart, device.bootRomEnd};
}

std::string formatAreaRange(const AreaRange& range)
{
    char text[32];
    std::snprintf(text, sizeof text, "%06X-%06X", unsigned(range.start), unsigned(range.end));
    return text;
}

} // namespace plx71
