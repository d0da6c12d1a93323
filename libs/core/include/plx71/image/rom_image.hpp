#pragma once
// The two ROM image buffers, their address tables and the values derived
// from them (checksums, ID code, boot version, ROM code protect state).
#include "plx71/devices/device_record.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plx71 {

enum class Area { UserRom = 0, BootRom = 1 };

inline constexpr std::uint8_t kBlankByte = 0xFF;
inline constexpr int kBlockCount = 7;
inline constexpr std::size_t kIdCodeLength = 7;

using IdCode = std::array<std::uint8_t, kIdCodeLength>;

std::size_t imageSize(Area area);

// A blank (0xFF) image of the area's buffer size.
std::vector<std::uint8_t> blankImage(Area area);

struct RomImages {
    std::vector<std::uint8_t> user = blankImage(Area::UserRom);
    std::vector<std::uint8_t> boot = blankImage(Area::BootRom);

    std::vector<std::uint8_t>& of(Area area) { return area == Area::UserRom ? user : boot; }
    const std::vector<std::uint8_t>& of(Area area) const { return area == Area::UserRom ? user : boot; }
};

// First and last address (inclusive) of an area of a device.
struct AreaRange {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    // Number of bytes; 0 when end is below start.
    std::uint32_t length() const { return end >= start ? end - start + 1 : 0; }
};
AreaRange areaRange(const DeviceRecord& device, Area area);
// "%06X-%06X" of the first and last address (the form and the editor show it).
std::string formatAreaRange(const AreaRange& range);

// Per-family address tables of the User ROM.
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
inline constexpr std::array<std::uint32_t, kBlockCount> kBlockSizes = {
    0x4000, 0x2000, 0x2000, 0x8000, 0x10000, 0x10000, 0x10000};

// 32-bit sum of the area's bytes from index 0 (addresses reduced to 20 bits).
std::uint32_t areaChecksum(const DeviceRecord& device, Area area, std::span<const std::uint8_t> image);
// "%04X" of the low 16 bits.
std::string formatChecksum(std::uint32_t sum);

// ROM code protect level of a protect byte: 0, 1 or 2.
int protectLevel(std::uint8_t b);
// "Protect removed", "Level 1 protect enabled", "Level 2 protect enabled".
std::string_view protectText(int level);
// The protect byte: the last byte of the User ROM area.
std::uint8_t protectByte(const DeviceRecord& device, std::span<const std::uint8_t> userImage);

// The seven ID bytes of the User ROM image (0xFF for an address outside the area).
IdCode imageIdCode(const DeviceRecord& device, const AreaTables& tables, std::span<const std::uint8_t> userImage);
// "%02X,%02X,%02X,%02X,%02X,%02X,%02X"
std::string formatIdCode(const IdCode& id);

// Up to 8 characters at bootVersionAddress (ends at a zero byte).
std::string imageBootVersion(const DeviceRecord& device, const AreaTables& tables, std::span<const std::uint8_t> bootImage);

} // namespace plx71
