#include "intel_hex.hpp"

#include "ui/hex_digits.hpp"

namespace plx71::intel_hex {

void appendRecord(std::string& out, std::uint8_t type, std::uint16_t offset, std::span<const std::uint8_t> data)
{
    char buffer[1 + 2 * (4 + 255 + 1) + 2];
    char* p = buffer;
    *p++ = ':';
    const auto count = static_cast<std::uint8_t>(data.size());
    const std::uint8_t head[4] = {count, static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset),
                                  type};
    std::uint32_t sum = 0;
    for (std::uint8_t b : head) {
        sum += b;
        p = hex::putByte(p, b);
    }
    for (std::size_t i = 0; i < count; ++i) {
        sum += data[i];
        p = hex::putByte(p, data[i]);
    }
    p = hex::putByte(p, checksum(sum));
    *p++ = '\r';
    *p++ = '\n';
    out.append(buffer, static_cast<std::size_t>(p - buffer));
}

LineResult LineDecoder::line(std::string_view s)
{
    // ":" count(2) offset(4) type(2); shorter lines carry no record.
    if (s.size() < 9 || s[7] != '0')
        return LineResult::Next;
    switch (s[8]) {
    case '0': return dataRecord(s, false);
    case '1': return dataRecord(s, true);
    case '2': return baseRecord(s, false);
    case '4': return baseRecord(s, true);
    default: return LineResult::Next; // 03, 05 and anything else carry nothing for us
    }
}

LineResult LineDecoder::dataRecord(std::string_view s, bool endOfFile)
{
    std::uint32_t n = 0;
    if (!hex::readField(s.data() + 1, 2, n))
        return LineResult::FormatError;
    if (n == 0)
        return LineResult::End;
    // The count promises n data bytes and the check sum.
    if (s.size() < 11 + 2 * static_cast<std::size_t>(n))
        return LineResult::FormatError;
    std::uint32_t offset = 0;
    if (!hex::readField(s.data() + 3, 4, offset) || !hex::readBytes(s.data() + 9, std::span(bytes_.data(), n)))
        return LineResult::FormatError;
    if (!sink_.data(std::uint64_t{base_} + offset, std::span<const std::uint8_t>(bytes_.data(), n)))
        return LineResult::Stopped;
    return endOfFile ? LineResult::End : LineResult::Next;
}

LineResult LineDecoder::baseRecord(std::string_view s, bool linear)
{
    // The byte count is not examined; the value field must be there.
    std::uint32_t value = 0;
    if (s.size() < 13 || !hex::readField(s.data() + 9, 4, value))
        return LineResult::FormatError;
    base_ = linear ? value << 16 : value << 4;
    return LineResult::Next;
}

} // namespace plx71::intel_hex
