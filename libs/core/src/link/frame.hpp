#pragma once
// The frame of the writer link: a 16-bit little-endian body length N, the
// body (command or reply code, then the payload) and an 8-bit sum checksum of
// the body. N + 3 bytes on the wire.
#include <cstddef>
#include <cstdint>
#include <span>

namespace plx71 {

inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t NAK = 0x15;

inline constexpr std::size_t kFrameCapacity = 1000;
inline constexpr std::size_t kReceivedCapacity = 300;
// The largest reply body that fits the receive buffer.
inline constexpr std::size_t kMaxReplyBodyLength = kReceivedCapacity - 3;
// Offset of the payload (after length field and code).
inline constexpr std::size_t kFramePayloadOffset = 3;

// N, or 0 when the frame is shorter than its length field.
std::uint16_t frameBodyLength(std::span<const std::uint8_t> frame);
void setFrameBodyLength(std::span<std::uint8_t> frame, std::uint16_t n);
// N + 3.
std::size_t frameWireSize(std::span<const std::uint8_t> frame);

// Stores the checksum of a frame whose length field and body are filled in
// (N = 0 stores 0 at offset 2). False, frame untouched, when the buffer does
// not hold N + 3 bytes.
bool putChecksum(std::span<std::uint8_t> frame);
// True when the stored checksum equals the sum of the body; false as well
// when the buffer does not hold N + 3 bytes.
bool checkChecksum(std::span<const std::uint8_t> frame);

} // namespace plx71
