#pragma once
// Builds Intel HEX and S-record lines for tests, check sums included.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace plx71::test {

inline std::string hexByte(unsigned b)
{
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", b & 0xFFu);
    return buf;
}

inline std::string intelRecord(unsigned type, unsigned offset, const std::vector<std::uint8_t>& data)
{
    std::string s =
        ":" + hexByte(static_cast<unsigned>(data.size())) + hexByte(offset >> 8) + hexByte(offset) + hexByte(type);
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    for (auto b : data) {
        s += hexByte(b);
        sum += b;
    }
    return s + hexByte(0x100 - (sum & 0xFF));
}

inline std::string intelData(unsigned offset, const std::vector<std::uint8_t>& data)
{
    return intelRecord(0, offset, data);
}

inline std::string intelSegment(unsigned value)
{
    return intelRecord(2, 0, {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

inline std::string intelLinear(unsigned value)
{
    return intelRecord(4, 0, {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

// "S1", "S2", "S3", "S7", "S8", "S9" with 2, 3 or 4 address bytes.
inline std::string sRecord(char type, std::uint32_t address, const std::vector<std::uint8_t>& data)
{
    const int addressBytes = (type == '2' || type == '8') ? 3 : (type == '3' || type == '7') ? 4 : 2;
    const unsigned count = static_cast<unsigned>(data.size() + addressBytes + 1);
    std::string s = std::string("S") + type + hexByte(count);
    unsigned sum = count;
    for (int i = addressBytes - 1; i >= 0; --i) {
        const unsigned b = (address >> (8 * i)) & 0xFF;
        s += hexByte(b);
        sum += b;
    }
    for (auto b : data) {
        s += hexByte(b);
        sum += b;
    }
    return s + hexByte(~sum & 0xFF);
}

inline std::string lines(std::initializer_list<std::string> records, const char* end = "\r\n")
{
    std::string s;
    for (const auto& r : records)
        s += r + end;
    return s;
}

} // namespace plx71::test
