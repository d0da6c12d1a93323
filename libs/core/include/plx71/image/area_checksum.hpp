#pragma once
// The checksum of an area's image, as the form shows it.
#include "plx71/devices/device_record.hpp"
#include "plx71/image/area.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace plx71 {

// 32-bit sum of the area's bytes from index 0 (addresses reduced to 20 bits).
std::uint32_t areaChecksum(const DeviceRecord& device, Area area, std::span<const std::uint8_t> image);
// "%04X" of the low 16 bits.
std::string formatChecksum(std::uint32_t sum);
// The same, and empty for none (an area without data).
std::string formatChecksum(const std::optional<std::uint32_t>& sum);

} // namespace plx71
