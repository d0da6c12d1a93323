#pragma once
// The two ROM image buffers and the address range of each area.
#include "plx71/devices/device_record.hpp"
#include "plx71/image/area.hpp"

// The address tables and the values derived from the images (checksums, ID
// code, boot version, protect state), each with its own file; included here
// so that code working on the images needs one include.
#include "plx71/image/area_checksum.hpp"
#include "plx71/image/area_tables.hpp"
#include "plx71/image/image_fields.hpp"
#include "plx71/image/protect_level.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plx71 {

inline constexpr std::uint8_t kBlankByte = 0xFF;

std::size_t imageSize(Area area);

// A blank (0xFF) image of the area's buffer size.
std::vector<std::uint8_t> blankImage(Area area);

struct RomImages {
    std::vector<std::uint8_t> user = blankImage(Area::UserRom);
    std::vector<std::uint8_t> boot = blankImage(Area::BootRom);

    std::vector<std::uint8_t>& of(Area area) { return area == Area::UserRom ? user : boot; }
    const std::vector<std::uint8_t>& of(Area area) const { return area == Area::UserRom ? user : boot; }
};

AreaRange areaRange(const DeviceRecord& device, Area area);
// "%06X-%06X" of the first and last address (the form and the editor show it).
std::string formatAreaRange(const AreaRange& range);

} // namespace plx71
