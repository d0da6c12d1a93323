#pragma once
// Intel HEX records: ":" count(2) offset(4) type(2), then count data bytes
// and a check sum, all as hexadecimal digit pairs, one record per line.
#include "record_scanner.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace plx71::intel_hex {

inline constexpr std::uint8_t kData = 0x00;
inline constexpr std::uint8_t kEndOfFile = 0x01;
inline constexpr std::uint8_t kExtendedSegment = 0x02; // base = value x 0x10
inline constexpr std::uint8_t kExtendedLinear = 0x04;  // base = value x 0x10000

// The check sum of a record whose count, offset, type and data bytes add up
// to `byteSum`: its two's complement, so that the record sums to 0.
inline std::uint8_t checksum(std::uint32_t byteSum)
{
    return static_cast<std::uint8_t>(0x100 - (byteSum & 0xFF));
}

// Appends one record line, ended by CR LF. At most 255 data bytes.
void appendRecord(std::string& out, std::uint8_t type, std::uint16_t offset, std::span<const std::uint8_t> data);

// Decodes the lines of one file in order. Data and end records go to the
// sink at base + offset; extended address records set the base; other types
// carry nothing for us and are not examined. A record we use must be whole
// and its check sum right.
class LineDecoder {
public:
    explicit LineDecoder(RecordSink& sink) : sink_(sink) {}

    LineResult line(std::string_view s, ChecksumMismatch& mismatch);

private:
    RecordSink& sink_;
    std::uint32_t base_ = 0;
    RecordBytes bytes_{};
};

} // namespace plx71::intel_hex
