#include "plx71/image/area_checksum.hpp"

#include "plx71/image/rom_image.hpp"

#include <algorithm>
#include <cstdio>

namespace plx71 {

std::uint32_t areaChecksum(const DeviceRecord& device, Area area, std::span<const std::uint8_t> image)
{
    // Start and end are reduced to 20 bits before the length is taken; an
    // area of the 24-bit family inside one 1 MiB page keeps its length. The
    // length never runs past the image.
    const AreaRange r = areaRange(device, area);
    const std::int64_t start = r.start & 0xFFFFF;
    const std::int64_t end = r.end & 0xFFFFF;
    const std::int64_t count = std::min<std::int64_t>(end - start + 1, std::int64_t(image.size()));
    std::uint32_t sum = 0;
    for (std::int64_t i = 0; i < count; ++i)
        sum += image[std::size_t(i)];
    return sum;
}

std::string formatChecksum(std::uint32_t sum)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned(sum & 0xFFFF));
    return text;
}

std::string formatChecksum(const std::optional<std::uint32_t>& sum)
{
    return sum ? formatChecksum(*sum) : std::string();
}

} // namespace plx71
