#pragma once
// The settings record the box returns for CMD_READ_SETTINGS.
#include "link/command_codes.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace plx71 {

struct WriterSettings {
    std::uint16_t bootRomStartPage = 0;
    std::uint16_t bootRomSizeKiB = 0;
    std::uint16_t userRomStartPage = 0;
    std::uint16_t userRomSizeKiB = 0;
    std::uint8_t blockCount = 0;
    std::uint8_t voltageCodes = 0; // Vpp code in bits 7-4, Vcc code in bits 3-0
    std::string deviceName;        // empty: the box holds no settings
    std::uint8_t updateEnable = 0;
    std::string userRomFileName;
    std::string bootRomFileName;
    std::array<std::uint8_t, kCheckIdLength> checkId{};
    std::uint8_t targetRateCode = 0; // target baud index + 1
    std::uint8_t lockBitMask = 0;    // kLockBitsNoChange = no change
    std::uint8_t operationBlockMask = 0;

    bool holdsSettings() const { return !deviceName.empty(); }
    bool operator==(const WriterSettings&) const = default;
};

// Parses the record. A record whose fields run past `payload` is refused. A
// record with device-name length 0 (no settings held) is taken with only its
// first ten bytes, whatever follows the zero (the other fields stay 0).
std::optional<WriterSettings> parseWriterSettings(std::span<const std::uint8_t> payload);

} // namespace plx71
