#pragma once
// The device fields CMD_SET_DEVICE sends, and how the box codes a voltage.
#include <cstdint>
#include <string>

namespace plx71 {

// From the selected device record.
struct DeviceParameters {
    std::string name;
    std::uint32_t bootRomStart = 0;
    std::uint32_t bootRomSize = 0;
    std::uint32_t userRomStart = 0;
    std::uint32_t userRomSize = 0;
    std::int32_t lastBlock = 0;
    std::int32_t vcc = 0; // tenths of a volt
    std::int32_t vpp = 0;
};

// 33 -> 1, 50 -> 2, 120 -> 3 (tenths of a volt), anything else -> 0.
std::uint8_t voltageCode(std::int32_t tenths);

} // namespace plx71
