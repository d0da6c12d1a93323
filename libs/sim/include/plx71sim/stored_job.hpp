#pragma once
// What the writer box keeps between sessions: the settings record, the
// ROM pages and the firmware it runs.
#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "plx71sim/wire.hpp"

namespace plx71sim {

using Page = std::array<std::uint8_t, kPageSize>;

// Page numbers: 0x0000-0x0FFF User ROM, 0x1000-0x1FFF Boot ROM (bit 12).
inline constexpr std::uint16_t kBootPageBit = 0x1000;
inline constexpr std::uint16_t kPageCount = 0x2000;

// Firmware area of the box: pages 0x0C10-0x0C3F (addresses 0xC1000-0xC3FFF).
inline constexpr std::uint16_t kFirmwareFirstPage = 0x0C10;
inline constexpr std::uint16_t kFirmwareLastPage = 0x0C3F;
inline constexpr std::size_t kFirmwarePages = kFirmwareLastPage - kFirmwareFirstPage + 1;

inline constexpr std::size_t kVersionSize = 16;

// The stored job settings, field by field as the settings commands set them.
struct WriterSettings {
    std::array<std::uint8_t, 10> device{}; // offsets 0-9 of the device command
    std::string deviceName;                // empty: the box holds no job
    std::uint8_t updateEnable = 0;
    std::string userFileName;
    std::string bootFileName;
    std::array<std::uint8_t, 7> checkId{};
    std::uint8_t targetRateCode = 0;
    std::uint8_t lockBits = 0;
    std::uint8_t operationBlocks = 0;

    // The reply payload of the settings query. With `withName` false the name
    // length reads 0 (a box that holds no settings).
    Bytes record(bool withName = true) const;
    // Reply payload size for given name lengths (for the reply-size limit).
    static std::size_t recordSize(std::size_t name, std::size_t user, std::size_t boot);

    bool operator==(const WriterSettings&) const = default;
};

struct StoredJob {
    WriterSettings settings;
    std::map<std::uint16_t, Page> pages;    // never written pages read as 0xFF
    std::string firmwareVersion;            // exactly 16 bytes
    std::map<std::uint16_t, Page> firmware; // firmware area pages received
    // The last download reached CMD_DOWNLOAD_COMMIT. A job cut short before
    // it is answered as no job at all (device-name length 0).
    bool complete = true;

    Page page(std::uint16_t number) const;
    bool operator==(const StoredJob&) const = default;
};

// Pads or cuts a version text to its 16 bytes on the wire (pads with zeros,
// which the PC side reads as the end of the text).
std::string versionField(const std::string& text);

inline Page blankPage()
{
    Page p;
    p.fill(0xFF);
    return p;
}

} // namespace plx71sim
