#include "plx71/devices/device_record.hpp"

#include <cstdio>

namespace plx71 {

namespace {
bool areaFits(std::uint32_t start, std::uint32_t end, std::uint64_t imageBytes)
{
    return end >= start && std::uint64_t(end) - start + 1 <= imageBytes;
}
} // namespace

DeviceRecord startupDefaultDevice()
{
    DeviceRecord d;
    d.name = "M30624FGFP";
    d.userRomStart = 0xC0000;
    d.userRomEnd = 0xFFFFF;
    d.lastBlock = 6;
    d.allBlocksMask = 0x7F;
    d.bootRomStart = 0xFE000;
    d.bootRomEnd = 0xFFFFF;
    return d;
}

std::uint8_t allBlocksMaskFor(std::int32_t lastBlock)
{
    std::uint8_t mask = 0;
    for (std::int32_t n = 0; n <= lastBlock && n < 8; ++n)
        mask = std::uint8_t(mask | (1u << n));
    return mask;
}

bool fitsImages(const DeviceRecord& device)
{
    return areaFits(device.userRomStart, device.userRomEnd, kUserRomImageSize)
        && areaFits(device.bootRomStart, device.bootRomEnd, kBootRomImageSize) && device.lastBlock >= 0
        && device.lastBlock <= 6;
}

std::string formatVoltage(std::int32_t tenths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%dV", int(tenths / 10), int(tenths % 10));
    return text;
}

} // namespace plx71
