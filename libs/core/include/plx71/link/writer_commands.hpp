#pragma once
// The command set of the writer box and the sequences every exchange with it
// is built from. Each command builds its request in link.txFrame, sends it
// and, when it fails, reports "Communication error between PLX-71RD" once
// itself; callers add no second message.
#include "plx71/link/writer_link.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace plx71 {

inline constexpr std::uint8_t CMD_SET_LINK_RATE = 0x01;
inline constexpr std::uint8_t CMD_LOAD_ENTER = 0x02;
inline constexpr std::uint8_t CMD_LOAD_WRITE_PAGE = 0x03;
inline constexpr std::uint8_t CMD_READ_VERSIONS = 0x04;
inline constexpr std::uint8_t CMD_LOAD_PREPARE = 0x05;
inline constexpr std::uint8_t CMD_SET_DEVICE = 0x10;
inline constexpr std::uint8_t CMD_SET_USER_FILE_NAME = 0x11;
inline constexpr std::uint8_t CMD_SET_BOOT_FILE_NAME = 0x12;
inline constexpr std::uint8_t CMD_SET_UPDATE_ENABLE = 0x13;
inline constexpr std::uint8_t CMD_ERASE_BLOCKS = 0x14;
inline constexpr std::uint8_t CMD_WRITE_PAGE = 0x15;
inline constexpr std::uint8_t CMD_READ_PAGE = 0x16;
inline constexpr std::uint8_t CMD_SET_CHECK_ID = 0x17;
inline constexpr std::uint8_t CMD_SET_TARGET_RATE = 0x18;
inline constexpr std::uint8_t CMD_SET_LOCK_BITS = 0x19;
inline constexpr std::uint8_t CMD_SET_OPERATION_BLOCKS = 0x1A;
inline constexpr std::uint8_t CMD_READ_STATUS = 0x1B;
inline constexpr std::uint8_t CMD_DOWNLOAD_COMMIT = 0x1D;
inline constexpr std::uint8_t CMD_READ_SETTINGS = 0x1E;
inline constexpr std::uint8_t CMD_DOWNLOAD_END = 0x1F;

inline constexpr std::size_t kPageSize = 256;
inline constexpr std::size_t kVersionTextLength = 16;
inline constexpr std::size_t kCheckIdLength = 7;
// The one-byte length field of the file name commands.
inline constexpr std::size_t kMaxFileNameLength = 255;
// Bit 7 of the status byte: the writer box is busy.
inline constexpr std::uint8_t kStatusBusy = 0x80;
// Lock-bit mask meaning "leave the lock bits as they are".
inline constexpr std::uint8_t kLockBitsNoChange = 0x80;

// The device fields CMD_SET_DEVICE sends (from the selected device record).
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

// The settings record the box returns for CMD_READ_SETTINGS.
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

// 33 -> 1, 50 -> 2, 120 -> 3 (tenths of a volt), anything else -> 0.
std::uint8_t voltageCode(std::int32_t tenths);

// Page numbers of CMD_WRITE_PAGE / CMD_READ_PAGE. Bit 12 selects the Boot ROM;
// 24-bit addresses are reduced to 20 bits first.
std::uint16_t userRomPage(std::uint32_t address);
std::uint16_t bootRomPage(std::uint32_t address);

// True when the name fits the one-byte length field (at most 255 characters).
bool fileNameFits(std::string_view name);

// The first 4 characters of both texts are equal; a text shorter than 4
// characters never matches.
bool firmwareVersionMatches(std::string_view firmwareVersion,
                            std::string_view controlProgramVersion = "V1.30 2001/12/25");

// ---- Sequences -----------------------------------------------------------

// Opens the link at 9600 bit/s. On failure shows "COM%d cannot be used".
bool connectWriter(WriterLink& link);
// Moves both sides to hostBaudRates[link.hostBaudIndex]: CMD_SET_LINK_RATE at
// the current rate, then pause, set the open port to the new rate, pause;
// always sets it, even to the same rate. The port is never closed on the way,
// so it stays this link's alone. Not acknowledged: communication error, the
// port stays at the old rate.
bool switchLinkRate(WriterLink& link);
// Closes the link. Always true.
bool disconnectWriter(WriterLink& link);

// ---- Commands (true on success) ------------------------------------------

bool cmdSetLinkRate(WriterLink& link, int rateIndex); // sends rateIndex + 1
bool cmdLoadEnter(WriterLink& link);
bool cmdLoadWritePage(WriterLink& link, std::uint16_t page,
                      std::span<const std::uint8_t, kPageSize> data);
// Stores the reply's boot version text (first 16 bytes) in link.bootVersion
// and its firmware version text (next 16) in link.firmwareVersion, each
// ending early at a zero byte. On failure both keep their previous text.
bool cmdReadVersions(WriterLink& link);
bool cmdLoadPrepare(WriterLink& link);
bool cmdSetDevice(WriterLink& link, const DeviceParameters& device);
// A name longer than 255 characters is not sent: the command shows the
// file-name message and fails (callers check fileNameFits before anything).
bool cmdSetUserFileName(WriterLink& link, std::string_view name);
bool cmdSetBootFileName(WriterLink& link, std::string_view name);
bool cmdSetUpdateEnable(WriterLink& link, std::uint8_t enable);
bool cmdEraseBlocks(WriterLink& link, std::uint32_t blockMask);
bool cmdWritePage(WriterLink& link, std::uint16_t page,
                  std::span<const std::uint8_t, kPageSize> data);
// The 256 reply bytes go to `destination`, which is untouched on failure.
bool cmdReadPage(WriterLink& link, std::uint16_t page,
                 std::span<std::uint8_t, kPageSize> destination);
bool cmdSetCheckId(WriterLink& link, std::span<const std::uint8_t, kCheckIdLength> id);
bool cmdSetTargetRate(WriterLink& link, int targetBaudIndex); // sends index + 1
bool cmdSetLockBits(WriterLink& link, std::uint8_t mask);
bool cmdSetOperationBlocks(WriterLink& link, std::uint8_t mask);
// The status byte goes to `status`, which is untouched on failure.
bool cmdReadStatus(WriterLink& link, std::uint8_t& status);
bool cmdDownloadCommit(WriterLink& link);
// The record, or none when the exchange failed or the record does not fit
// the reply (both reported as a communication error).
std::optional<WriterSettings> cmdReadSettings(WriterLink& link);
bool cmdDownloadEnd(WriterLink& link);

} // namespace plx71
