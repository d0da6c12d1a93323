#pragma once
// The firmware loader's reader: firmware for the box's area 0xC1000-0xC3FFF.
#include "plx71/datafile/file_type.hpp"
#include "plx71/messages/file_problems.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace plx71 {

inline constexpr std::uint32_t kFirmwareBase = 0xC1000;
inline constexpr std::uint32_t kFirmwareAreaLast = 0xC3FFF;
inline constexpr std::size_t kFirmwareImageSize = 0x40000;

struct FirmwareImage {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kFirmwareImageSize, 0xFF); // index = address - 0xC1000
    std::uint32_t firstAddress = kFirmwareBase;
    std::uint32_t lastAddress = kFirmwareAreaLast;
};

// Reads `path` into `image.bytes` (the caller has filled it with 0xFF) and
// records the first and last page of the data. "H" = Intel HEX, "M" or no
// dot = S-records, any other type character reads nothing and succeeds.
// Shows nothing: none on success, else what was wrong (CannotRead, TooLarge,
// Malformed, ChecksumMismatch, BelowFirmwareArea).
std::optional<DataFileProblem> readFirmwareFile(const std::filesystem::path& path, FirmwareImage& image);

// The same on text already in memory; no format reads nothing and succeeds.
std::optional<DataFileProblem> readFirmwareText(std::string_view text, std::optional<DataFormat> format,
                                                FirmwareImage& image);

// The 16-character version header at 0xC1000 ("V1.30 2001/12/25" shape):
// true when byte 0 is 'V', 2 is '.', 5 is ' ', 10 and 13 are '/'.
bool firmwareHeaderValid(const FirmwareImage& image);
// The header as text (ends early at a zero byte).
std::string firmwareVersionText(const FirmwareImage& image);

} // namespace plx71
