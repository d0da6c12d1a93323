#include "s_record.hpp"

#include "text/hex_digits.hpp"

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

LineResult LineDecoder::line(std::string_view s, ChecksumMismatch& mismatch)
{
    if (s.size() < 2 || s[0] != 'S')
        return LineResult::Next;
    switch (s[1]) {
    case '1':
        ++dataRecords_;
        return LineResult::Next;
    case '2':
        ++dataRecords_;
        return record(s, 3, false, mismatch);
    case '3':
        ++dataRecords_;
        return record(s, 4, false, mismatch);
    case '8':
        return record(s, 3, true, mismatch);
    case '7':
        return record(s, 4, true, mismatch);
    case '9':
        sawEnd_ = true;
        return LineResult::Next;
    case '5':
    case '6': {
        // A record count that agrees with the data records read says the
        // file is whole (srec_cat ends its files so, without S7/S8/S9).
        std::uint32_t count = 0;
        const int digits = s[1] == '5' ? 4 : 6;
        if (s.size() >= 4 + std::size_t(digits) && hex::readField(s.data() + 4, digits, count) && count == dataRecords_)
            sawEnd_ = true;
        return LineResult::Next;
    }
    default:
        return LineResult::Next; // S0, S1, S9, S5 ... carry nothing for us
    }
}

LineResult LineDecoder::record(std::string_view s, std::size_t addressBytes, bool endRecord, ChecksumMismatch& mismatch)
{
    std::uint32_t count = 0;
    if (s.size() < 4 || !hex::readField(s.data() + 2, 2, count))
        return LineResult::FormatError;
    // The count covers address, data and check sum.
    if (count < addressBytes + 1 || s.size() < 4 + 2 * static_cast<std::size_t>(count))
        return LineResult::FormatError;
    const std::size_t n = count - addressBytes - 1;
    std::uint32_t address = 0;
    std::uint32_t found = 0;
    const std::span<std::uint8_t> data(bytes_.data(), n);
    if (!hex::readField(s.data() + 4, static_cast<int>(2 * addressBytes), address)
        || !hex::readBytes(s.data() + 4 + 2 * addressBytes, data)
        || !hex::readField(s.data() + 2 + 2 * count, 2, found))
        return LineResult::FormatError;
    std::uint32_t sum = count;
    for (std::size_t i = 0; i < addressBytes; ++i)
        sum += (address >> (8 * i)) & 0xFF;
    for (std::uint8_t b : data)
        sum += b;
    if (!checksumAgrees(found, checksum(sum), mismatch))
        return LineResult::ChecksumError;

    if (n == 0 && (endRecord || rules_.emptySRecordsEnd))
        return LineResult::End;
    if (!sink_.data(address, data))
        return LineResult::Stopped;
    return endRecord ? LineResult::End : LineResult::Next;
}

} // namespace plx71::s_record
