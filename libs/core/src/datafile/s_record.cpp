#include "s_record.hpp"

#include "ui/hex_digits.hpp"

namespace plx71::s_record {

void appendRecord(std::string& out, char type, std::uint32_t address, int addressBytes,
                  std::span<const std::uint8_t> data)
{
    char buffer[2 + 2 * 256 + 2];
    char* p = buffer;
    *p++ = 'S';
    *p++ = type;
    const auto count = static_cast<std::uint8_t>(data.size() + static_cast<std::size_t>(addressBytes) + 1);
    std::uint32_t sum = count;
    p = hex::putByte(p, count);
    for (int i = addressBytes - 1; i >= 0; --i) {
        const auto b = static_cast<std::uint8_t>(address >> (8 * i));
        sum += b;
        p = hex::putByte(p, b);
    }
    for (std::uint8_t b : data) {
        sum += b;
        p = hex::putByte(p, b);
    }
    p = hex::putByte(p, checksum(sum));
    *p++ = '\r';
    *p++ = '\n';
    out.append(buffer, static_cast<std::size_t>(p - buffer));
}

LineResult LineDecoder::line(std::string_view s)
{
    if (s.size() < 2 || s[0] != 'S')
        return LineResult::Next;
    switch (s[1]) {
    case '2': return record(s, 3, false);
    case '3': return record(s, 4, false);
    case '8': return record(s, 3, true);
    case '7': return record(s, 4, true);
    default: return LineResult::Next; // S0, S1, S9, S5 ... carry nothing for us
    }
}

LineResult LineDecoder::record(std::string_view s, std::size_t addressBytes, bool endRecord)
{
    std::uint32_t count = 0;
    if (s.size() < 4 || !hex::readField(s.data() + 2, 2, count))
        return LineResult::FormatError;
    // The count covers address, data and check sum.
    if (count < addressBytes + 1 || s.size() < 4 + 2 * static_cast<std::size_t>(count))
        return LineResult::FormatError;
    const std::size_t n = count - addressBytes - 1;
    if (n == 0 && (endRecord || rules_.emptySRecordsEnd))
        return LineResult::End;
    std::uint32_t address = 0;
    if (!hex::readField(s.data() + 4, static_cast<int>(2 * addressBytes), address)
        || !hex::readBytes(s.data() + 4 + 2 * addressBytes, std::span(bytes_.data(), n)))
        return LineResult::FormatError;
    if (!sink_.data(address, std::span<const std::uint8_t>(bytes_.data(), n)))
        return LineResult::Stopped;
    return endRecord ? LineResult::End : LineResult::Next;
}

} // namespace plx71::s_record
