#include "plx71/datafile/block_list.hpp"

#include "text/hex_digits.hpp"

namespace plx71 {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A decimal block number at `pos`: leading zeros are free, at most three
// significant digits (so "1000" fails without storing a long run).
bool readBlockNumber(std::string_view text, std::size_t& pos, int& value)
{
    if (pos >= text.size() || !isDigit(text[pos]))
        return false;
    while (pos < text.size() && text[pos] == '0')
        ++pos;
    int digits = 0;
    value = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        if (++digits > 3)
            return false;
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return true;
}

void skipBlanks(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
}

// Hex digits at `pos`, any number of them (none gives 0). False when the
// value needs more than 32 bits.
bool readHexNumber(std::string_view text, std::size_t& pos, std::uint32_t& value)
{
    std::uint64_t v = 0;
    while (pos < text.size() && hex::digitValue(text[pos]) >= 0) {
        v = (v << 4) | static_cast<std::uint64_t>(hex::digitValue(text[pos]));
        if (v > 0xFFFFFFFFu)
            return false;
        ++pos;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

} // namespace

bool parseBlockList(std::string_view text, int lowest, int highest, std::uint32_t& mask)
{
    if (highest > 31 || highest < 0)
        return false;
    // Only the mask bytes that can hold the allowed numbers are rewritten.
    const int bytes = highest / 8 + 1;
    const std::uint32_t covered = bytes >= 4 ? 0xFFFFFFFFu : (std::uint32_t{1} << (8 * bytes)) - 1;

    std::uint32_t bits = 0;
    std::size_t pos = 0;
    for (;;) {
        int a = 0;
        if (!readBlockNumber(text, pos, a) || a < lowest || a > highest)
            return false;
        int b = a;
        if (pos < text.size() && text[pos] == '-') {
            ++pos;
            if (!readBlockNumber(text, pos, b) || b < lowest || b > highest || a > b)
                return false;
        }
        for (int k = a; k <= b; ++k)
            bits |= std::uint32_t{1} << k;
        if (pos == text.size())
            break;
        if (text[pos] != ',')
            return false;
        ++pos;
    }
    mask = (mask & ~covered) | bits;
    return true;
}

std::string formatBlockList(std::uint32_t mask, int first, int last)
{
    enum class Run { Idle, Single, Many };
    std::string out;
    Run run = Run::Idle;
    for (int k = first; k <= last; ++k) {
        const int bit = k - first;
        const bool set = bit < 32 && ((mask >> bit) & 1u) != 0;
        if (set) {
            if (run == Run::Idle) {
                out += std::to_string(k);
                run = Run::Single;
            } else if (run == Run::Single) {
                out += '-';
                run = Run::Many;
            }
        } else {
            if (run == Run::Single)
                out += ',';
            else if (run == Run::Many)
                out += std::to_string(k - 1) + ',';
            run = Run::Idle;
        }
    }
    if (run == Run::Many)
        out += std::to_string(last);
    else if (run == Run::Idle && !out.empty())
        out.pop_back();
    return out;
}

std::optional<std::vector<AreaRange>> parseAddressRanges(std::string_view text, std::uint32_t lowest,
                                                         std::uint32_t highest, EqualEnds equalEnds)
{
    std::vector<AreaRange> ranges;
    std::size_t pos = 0;
    skipBlanks(text, pos);
    // An empty field asks for the whole area.
    if (pos == text.size())
        return ranges;

    bool dash = false;
    for (;;) {
        skipBlanks(text, pos);
        std::uint32_t v = 0;
        if (!readHexNumber(text, pos, v) || v < lowest || v > highest)
            return std::nullopt;
        if (dash) {
            const std::uint32_t start = ranges.back().start;
            if (v < start || (v == start && equalEnds == EqualEnds::Invalid))
                return std::nullopt;
            ranges.back().end = v;
        } else {
            if (ranges.size() == kMaxAddressRanges)
                return std::nullopt;
            ranges.push_back({v, v});
        }
        skipBlanks(text, pos);
        if (pos == text.size())
            return ranges;
        if (text[pos] == ',') {
            dash = false;
        } else if (text[pos] == '-' && !dash) {
            dash = true;
        } else {
            return std::nullopt;
        }
        ++pos;
    }
}

std::optional<std::uint32_t> parseHexField(std::string_view text)
{
    std::size_t pos = 0;
    skipBlanks(text, pos);
    std::uint32_t value = 0;
    if (!readHexNumber(text, pos, value) || pos != text.size())
        return std::nullopt;
    return value;
}

} // namespace plx71
