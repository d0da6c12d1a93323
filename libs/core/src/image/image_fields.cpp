#include "plx71/image/image_fields.hpp"

#include "plx71/image/rom_image.hpp"

#include <cstdio>
#include <optional>

namespace plx71 {

namespace {

// Index of an address of the area in its image, if it is inside both.
std::optional<std::size_t> indexOf(const AreaRange& r, std::uint32_t address, std::size_t imageBytes)
{
    if (address < r.start || address > r.end)
        return std::nullopt;
    const std::size_t index = address - r.start;
    if (index >= imageBytes)
        return std::nullopt;
    return index;
}

} // namespace

IdCode imageIdCode(const DeviceRecord& device, const AreaTables& tables, std::span<const std::uint8_t> userImage)
{
    const AreaRange r = areaRange(device, Area::UserRom);
    IdCode id;
    for (std::size_t i = 0; i < kIdCodeLength; ++i) {
        auto index = indexOf(r, tables.idCodeAddress[i], userImage.size());
        id[i] = index ? userImage[*index] : kBlankByte;
    }
    return id;
}

std::string formatIdCode(const IdCode& id)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02X,%02X,%02X,%02X,%02X,%02X,%02X", id[0], id[1], id[2], id[3], id[4], id[5],
                  id[6]);
    return text;
}

std::string imageBootVersion(const DeviceRecord& device, const AreaTables& tables,
                             std::span<const std::uint8_t> bootImage)
{
    const AreaRange r = areaRange(device, Area::BootRom);
    std::string version;
    for (std::uint32_t i = 0; i < 8; ++i) {
        auto index = indexOf(r, tables.bootVersionAddress + i, bootImage.size());
        if (!index || bootImage[*index] == 0)
            break;
        version.push_back(char(bootImage[*index]));
    }
    return version;
}

} // namespace plx71
