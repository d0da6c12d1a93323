#pragma once
// The bytes of the RS-232C link as the writer box sees them: acknowledge
// bytes, command codes, link rates and the frame layout
// (u16 LE body length N, N body bytes starting with the code, 8-bit sum).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace plx71sim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

namespace cmd {
inline constexpr std::uint8_t SetLinkRate = 0x01;
inline constexpr std::uint8_t LoadEnter = 0x02;
inline constexpr std::uint8_t LoadWritePage = 0x03;
inline constexpr std::uint8_t ReadVersions = 0x04;
inline constexpr std::uint8_t LoadPrepare = 0x05;
inline constexpr std::uint8_t SetDevice = 0x10;
inline constexpr std::uint8_t SetUserFileName = 0x11;
inline constexpr std::uint8_t SetBootFileName = 0x12;
inline constexpr std::uint8_t SetUpdateEnable = 0x13;
inline constexpr std::uint8_t EraseBlocks = 0x14;
inline constexpr std::uint8_t WritePage = 0x15;
inline constexpr std::uint8_t ReadPage = 0x16;
inline constexpr std::uint8_t SetCheckId = 0x17;
inline constexpr std::uint8_t SetTargetRate = 0x18;
inline constexpr std::uint8_t SetLockBits = 0x19;
inline constexpr std::uint8_t SetOperationBlocks = 0x1A;
inline constexpr std::uint8_t ReadStatus = 0x1B;
inline constexpr std::uint8_t DownloadCommit = 0x1D;
inline constexpr std::uint8_t ReadSettings = 0x1E;
inline constexpr std::uint8_t DownloadEnd = 0x1F;
} // namespace cmd

// Largest body the PC side can build (its transmit buffer is 1000 bytes) and
// the largest it can take back (its receive buffer holds 297 body bytes).
inline constexpr std::size_t kMaxRequestBody = 997;
inline constexpr std::size_t kMaxReplyBody = 297;

inline constexpr std::size_t kPageSize = 256;
inline constexpr int kRestRate = 9600;

// Link rate code 1..5 -> bit/s; nullopt for any other code.
std::optional<int> rateForCode(std::uint8_t code);

std::uint8_t sum8(std::span<const std::uint8_t> bytes);

// A whole frame on the wire: length, code, payload, checksum.
Bytes makeFrame(std::uint8_t code, std::span<const std::uint8_t> payload);

// Time one byte occupies the line: start bit, 8 data bits, parity, stop bit.
inline constexpr int kBitsPerByte = 11;

} // namespace plx71sim
