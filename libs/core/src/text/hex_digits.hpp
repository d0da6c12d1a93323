#pragma once
// Hexadecimal digits, read and written through lookup tables: one decoder for
// every text the core reads (data files of a whole 256 KiB area run to about
// 700 KB of digits, the device table, the Check ID field).
#include <array>
#include <cstdint>
#include <span>

namespace plx71::hex {

// Value of a hexadecimal digit (either case), or -1 for any other character.
inline constexpr std::array<std::int8_t, 256> kDigitValue = [] {
    std::array<std::int8_t, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
    return t;
}();

inline int digitValue(char c)
{
    return kDigitValue[static_cast<unsigned char>(c)];
}

inline bool isDigit(char c)
{
    return digitValue(c) >= 0;
}

// Reads `count` digits from `p` into `value`. False when one is no digit.
inline bool readField(const char* p, int count, std::uint32_t& value)
{
    std::uint32_t v = 0;
    int bad = 0;
    for (int i = 0; i < count; ++i) {
        const int d = digitValue(p[i]);
        bad |= d;
        v = (v << 4) | static_cast<std::uint32_t>(d & 0xF);
    }
    value = v;
    return bad >= 0;
}

// Reads out.size() bytes, two digits each, from `p`. False when one is no digit.
inline bool readBytes(const char* p, std::span<std::uint8_t> out)
{
    int bad = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int hi = digitValue(p[2 * i]);
        const int lo = digitValue(p[2 * i + 1]);
        bad |= hi | lo;
        out[i] = static_cast<std::uint8_t>((hi << 4) | (lo & 0xF));
    }
    return bad >= 0;
}

// Upper-case digit pairs "00".."FF", two characters per byte value.
inline constexpr std::array<char, 512> kPairs = [] {
    std::array<char, 512> t{};
    constexpr char digits[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
        t[static_cast<std::size_t>(2 * b)] = digits[b >> 4];
        t[static_cast<std::size_t>(2 * b + 1)] = digits[b & 0xF];
    }
    return t;
}();

// Writes the byte as two upper-case digits; returns the position after them.
inline char* putByte(char* out, std::uint8_t b)
{
    out[0] = kPairs[2u * b];
    out[1] = kPairs[2u * b + 1];
    return out + 2;
}

} // namespace plx71::hex
