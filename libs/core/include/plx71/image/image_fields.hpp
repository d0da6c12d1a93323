#pragma once
// The fields read out of the images: the ID code of the User ROM and the
// version of the Boot ROM.
#include "plx71/devices/device_record.hpp"
#include "plx71/image/area_tables.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace plx71 {

using IdCode = std::array<std::uint8_t, kIdCodeLength>;

// The seven ID bytes of the User ROM image (0xFF for an address outside the area).
IdCode imageIdCode(const DeviceRecord& device, const AreaTables& tables, std::span<const std::uint8_t> userImage);
// "%02X,%02X,%02X,%02X,%02X,%02X,%02X"
std::string formatIdCode(const IdCode& id);

// Up to 8 characters at bootVersionAddress (ends at a zero byte).
std::string imageBootVersion(const DeviceRecord& device, const AreaTables& tables,
                             std::span<const std::uint8_t> bootImage);

} // namespace plx71
