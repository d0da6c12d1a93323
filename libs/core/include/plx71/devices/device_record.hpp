#pragma once
// One device type of the device definition table.
#include <cstddef>
#include <cstdint>
#include <string>

namespace plx71 {

inline constexpr std::size_t kMaxDeviceNameLength = 100;

// The sizes of the User ROM and Boot ROM image buffers: every device's areas
// must fit them.
inline constexpr std::size_t kUserRomImageSize = 0x40000;
inline constexpr std::size_t kBootRomImageSize = 0x2000;

struct DeviceRecord {
    std::string name;
    std::uint32_t userRomStart = 0;
    std::uint32_t userRomEnd = 0; // inclusive
    std::uint32_t userRomSize = 0;
    std::int32_t lastBlock = 0;     // blocks 0..lastBlock
    std::uint8_t allBlocksMask = 0; // bit n for every block n
    std::uint32_t bootRomStart = 0;
    std::uint32_t bootRomEnd = 0; // inclusive
    std::uint32_t bootRomSize = 0;
    std::int32_t vcc = 0; // tenths of a volt
    std::int32_t vpp = 0;

    bool operator==(const DeviceRecord&) const = default;
};

// The record the program holds before any device type is chosen.
DeviceRecord startupDefaultDevice();

// allBlocksMask for a highest block number (bits above 7 fall away).
std::uint8_t allBlocksMaskFor(std::int32_t lastBlock);

// True when both areas fit the image buffers (User ROM 1..0x40000 bytes,
// Boot ROM 1..0x2000 bytes, end not below start) and lastBlock is 0..6.
// Judged on the areas, not the size fields: the start-up default has sizes 0.
bool fitsImages(const DeviceRecord& device);

// "%d.%dV" of tenths of a volt: 50 -> "5.0V".
std::string formatVoltage(std::int32_t tenths);

} // namespace plx71
