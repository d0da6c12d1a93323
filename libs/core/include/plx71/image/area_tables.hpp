#pragma once
// The per-family address tables of the User ROM: where the blocks, the ID
// code bytes and the boot version lie.
#include "plx71/devices/device_record.hpp"

#include <array>
#include <cstddef>
#include <cstdint>

namespace plx71 {

inline constexpr int kBlockCount = 7;
inline constexpr std::size_t kIdCodeLength = 7;

struct AreaTables {
    std::array<std::uint32_t, kBlockCount> blockStart{};
    std::array<std::uint32_t, kBlockCount> blockSize{};
    std::array<std::uint32_t, kIdCodeLength> idCodeAddress{};
    std::uint32_t bootVersionAddress = 0;
    bool operator==(const AreaTables&) const = default;
};

// 0 "M3062" (and any unknown name), 1 "M306N", 2 "M3080" (24-bit layout).
int deviceFamily(const DeviceRecord& device);
AreaTables areaTablesFor(const DeviceRecord& device);

// Fixed block sizes 0..6 (0x4000, 0x2000, 0x2000, 0x8000, 0x10000 x3).
inline constexpr std::array<std::uint32_t, kBlockCount> kBlockSizes = {0x4000,  0x2000,  0x2000, 0x8000,
                                                                       0x10000, 0x10000, 0x10000};

} // namespace plx71
