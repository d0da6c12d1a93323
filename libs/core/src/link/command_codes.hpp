#pragma once
// The command codes of the writer box and the fixed sizes and bits of their
// fields.
#include <cstddef>
#include <cstdint>

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

} // namespace plx71
