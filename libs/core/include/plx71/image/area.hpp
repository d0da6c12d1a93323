#pragma once
// The two ROM areas of a device and an address range within one.
#include <cstdint>

namespace plx71 {

enum class Area { UserRom = 0, BootRom = 1 };

// First and last address (both inclusive) of an area of a device, or of a
// part of it (the ranges Data Save writes).
struct AreaRange {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    // Number of bytes; 0 when end is below start.
    std::uint32_t length() const { return end >= start ? end - start + 1 : 0; }
    bool operator==(const AreaRange&) const = default;
};

} // namespace plx71
