#include "intel_hex.hpp"

#include "text/hex_digits.hpp"

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

LineResult LineDecoder::line(std::string_view s, ChecksumMismatch& mismatch)
{
    // ":" count(2) offset(4) type(2); shorter lines carry no record.
    if (s.size() < 9 || s[7] != '0')
        return LineResult::Next;
    const char type = s[8];
    if (type != '0' && type != '1' && type != '2' && type != '4')
        return LineResult::Next; // 03, 05 and anything else carry nothing for us

    std::uint32_t n = 0;
    if (!hex::readField(s.data() + 1, 2, n))
        return LineResult::FormatError;
    // The count promises n data bytes and the check sum.
    const std::size_t checksumAt = 9 + 2 * static_cast<std::size_t>(n);
    if (s.size() < checksumAt + 2)
        return LineResult::FormatError;
    std::uint32_t offset = 0;
    std::uint32_t found = 0;
    const std::span<std::uint8_t> data(bytes_.data(), n);
    if (!hex::readField(s.data() + 3, 4, offset) || !hex::readBytes(s.data() + 9, data)
        || !hex::readField(s.data() + checksumAt, 2, found))
        return LineResult::FormatError;
    std::uint32_t sum = n + (offset >> 8) + (offset & 0xFF) + static_cast<std::uint32_t>(type - '0');
    for (std::uint8_t b : data)
        sum += b;
    if (!checksumAgrees(found, checksum(sum), mismatch))
        return LineResult::ChecksumError;

    if (type == '2' || type == '4') {
        // The base value is the record's two data bytes.
        if (n != 2)
            return LineResult::FormatError;
        const std::uint32_t value = std::uint32_t{data[0]} << 8 | data[1];
        base_ = type == '4' ? value << 16 : value << 4;
        return LineResult::Next;
    }
    if (n == 0)
        return LineResult::End;
    if (!sink_.data(std::uint64_t{base_} + offset, data))
        return LineResult::Stopped;
    return type == '1' ? LineResult::End : LineResult::Next;
}

} // namespace plx71::intel_hex
