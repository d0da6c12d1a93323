#pragma once
// The ".pxp" project file: binary, little-endian, 231 bytes plus its texts.
#include "plx71/devices/device_record.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/port/link_rates.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace plx71 {

inline constexpr const char kProjectHeader[] = "PLX-71RD project file Ver.A     "; // 32 bytes
inline constexpr std::size_t kProjectHeaderSize = 32;
inline constexpr std::size_t kProjectFixedSize = 231;
inline constexpr std::size_t kProjectDeviceRecordSize = 144;
inline constexpr std::size_t kMaxProjectTextLength = 255;

struct ProjectFile {
    std::int32_t deviceIndex = -1;
    DeviceRecord device = startupDefaultDevice();
    std::int32_t serialModeIndex = 0;
    std::int32_t targetBaudIndex = 9;
    std::int32_t updateEnable = 0;
    std::string bootRomFileName;
    std::string userRomFileName;
    std::int32_t lockBitMode = 0;
    std::string lockBlockList;
    std::int32_t operationBlockMode = 0;
    std::string operationBlockList;
    IdCode idCode{};
    std::int32_t portSelection = 0;
    std::int32_t hostBaudSelection = linkRateIndex(kDefaultLinkRate);

    bool operator==(const ProjectFile&) const = default;
};

std::vector<std::uint8_t> encodeProject(const ProjectFile& project);

// Structural decoding: header, every field present, text lengths <= 255,
// device name terminated within its 104 bytes. nullopt on any fault.
// (Semantic checks against the device table are openProject's.)
std::optional<ProjectFile> decodeProject(std::span<const std::uint8_t> bytes);

} // namespace plx71
