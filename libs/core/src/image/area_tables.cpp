#include "plx71/image/area_tables.hpp"

#include <string_view>

namespace plx71 {

int deviceFamily(const DeviceRecord& device)
{
    // Exactly the first five characters, case-sensitive.
    const std::string_view prefix = std::string_view(device.name).substr(0, 5);
    if (prefix == "M306N")
        return 1;
    if (prefix == "M3080")
        return 2;
    return 0;
}

AreaTables areaTablesFor(const DeviceRecord& device)
{
    // The seven blocks cover 256 KiB below the top of the address space of
    // the layout: 20-bit for the M3062 and M306N families, 24-bit for M3080.
    static constexpr std::array<std::uint32_t, kBlockCount> blockStart20 = {0xFC000, 0xFA000, 0xF8000, 0xF0000,
                                                                            0xE0000, 0xD0000, 0xC0000};
    static constexpr std::array<std::uint32_t, kIdCodeLength> idCode20 = {0xFFFDF, 0xFFFE3, 0xFFFEB, 0xFFFEF,
                                                                          0xFFFF3, 0xFFFF7, 0xFFFFB};
    const std::uint32_t top = deviceFamily(device) == 2 ? 0xF00000 : 0;

    AreaTables t;
    for (int i = 0; i < kBlockCount; ++i) {
        t.blockStart[i] = top | blockStart20[i];
        t.blockSize[i] = kBlockSizes[i];
    }
    for (std::size_t i = 0; i < kIdCodeLength; ++i)
        t.idCodeAddress[i] = top | idCode20[i];
    t.bootVersionAddress = top | 0xFE000;
    return t;
}

} // namespace plx71
