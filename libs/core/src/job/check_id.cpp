#include "plx71/job/check_id.hpp"

#include "text/hex_digits.hpp"

namespace plx71 {

bool parseCheckId(std::string_view text, IdCode& out)
{
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (pos == text.size())
        return false;

    IdCode bytes{};
    std::size_t groups = 0;
    while (pos < text.size()) {
        // One group: one or two digits; a third digit starts the next group.
        int value = 0;
        int digits = 0;
        while (digits < 2 && pos < text.size() && hex::isDigit(text[pos])) {
            value = value * 16 + hex::digitValue(text[pos++]);
            ++digits;
        }
        if (digits == 0 || groups == kIdCodeLength)
            return false;
        bytes[groups++] = std::uint8_t(value);
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == ','))
            ++pos;
    }
    if (groups != kIdCodeLength)
        return false;
    out = bytes;
    return true;
}

} // namespace plx71
