#include "device_line.hpp"

#include "text/hex_digits.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace plx71::detail {

namespace {

// The blanks the C library skips before a number, fixed here so that no
// locale can change them.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads fields with the shape of "%x,%x,%x,%x,%d,": a number, then exactly a comma.
class FieldCursor {
public:
    explicit FieldCursor(std::string_view text) : text_(text) {}

    std::optional<std::uint32_t> hexThenComma()
    {
        skipBlanks();
        if (pos_ + 1 < text_.size() && text_[pos_] == '0' && (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')
            && pos_ + 2 < text_.size() && hex::isDigit(text_[pos_ + 2]))
            pos_ += 2;
        std::uint64_t value = 0;
        std::size_t digits = 0;
        while (pos_ < text_.size() && hex::isDigit(text_[pos_])) {
            value = value * 16 + std::uint64_t(hex::digitValue(text_[pos_++]));
            if (value > 0xFFFFFFFFu)
                return std::nullopt;
            ++digits;
        }
        if (digits == 0 || !comma())
            return std::nullopt;
        return std::uint32_t(value);
    }

    std::optional<std::int32_t> decimalThenComma()
    {
        skipBlanks();
        bool negative = false;
        if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
            negative = text_[pos_++] == '-';
        std::int64_t value = 0;
        std::size_t digits = 0;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_++] - '0');
            if (value > 0x7FFFFFFF)
                return std::nullopt;
            ++digits;
        }
        if (digits == 0 || !comma())
            return std::nullopt;
        return std::int32_t(negative ? -value : value);
    }

    std::size_t position() const { return pos_; }

private:
    void skipBlanks()
    {
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
    }
    bool comma()
    {
        if (pos_ >= text_.size() || text_[pos_] != ',')
            return false;
        ++pos_;
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// A voltage such as "5.0" or " 12": tenths of a volt, value x 10 in double
// precision truncated toward zero. std::from_chars ignores the C locale, so
// "3.3" is 33 whatever the decimal point of the user's locale is.
std::optional<std::int32_t> voltageTenths(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i < text.size() && text[i] == '+' && i + 1 < text.size() && text[i + 1] != '-')
        ++i;
    double value = 0;
    auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() + i)
        return std::nullopt;
    double tenths = std::trunc(value * 10.0);
    if (!std::isfinite(tenths) || tenths > 2147483647.0 || tenths < -2147483648.0)
        return std::nullopt;
    return std::int32_t(tenths);
}

std::string hex(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", unsigned(v));
    return text;
}

} // namespace

std::variant<DeviceRecord, std::string> parseDeviceLine(std::string_view line)
{
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos)
        return std::string("no comma after the device name");
    if (comma > kMaxDeviceNameLength)
        return std::string("device name longer than 100 characters");
    if (comma == 0)
        return std::string("empty device name");

    DeviceRecord d;
    d.name = std::string(line.substr(0, comma));

    const std::string_view rest = line.substr(comma + 1);
    FieldCursor cursor(rest);
    auto bootStart = cursor.hexThenComma();
    auto bootSize = bootStart ? cursor.hexThenComma() : std::nullopt;
    auto userStart = bootSize ? cursor.hexThenComma() : std::nullopt;
    auto userSize = userStart ? cursor.hexThenComma() : std::nullopt;
    auto lastBlock = userSize ? cursor.decimalThenComma() : std::nullopt;
    if (!lastBlock)
        return std::string("fields 2 to 6 are not \"hex,hex,hex,hex,decimal,\"");

    // The voltages are found by position: Vcc after the comma that ends
    // field 6, up to the next 'V'; Vpp from two characters after that 'V'.
    const std::string_view afterFields = rest.substr(cursor.position());
    const std::size_t vccEnd = afterFields.find('V');
    auto vcc = voltageTenths(afterFields.substr(0, vccEnd));
    if (!vcc)
        return std::string("Vcc is not a voltage");
    if (vccEnd == std::string_view::npos || vccEnd + 2 > afterFields.size())
        return std::string("no Vpp");
    const std::string_view vppText = afterFields.substr(vccEnd + 2);
    auto vpp = voltageTenths(vppText.substr(0, vppText.find('V')));
    if (!vpp)
        return std::string("Vpp is not a voltage");

    d.bootRomStart = *bootStart;
    d.bootRomSize = *bootSize;
    d.userRomStart = *userStart;
    d.userRomSize = *userSize;
    d.lastBlock = *lastBlock;
    d.vcc = *vcc;
    d.vpp = *vpp;

    if (d.userRomSize < 1 || d.userRomSize > 0x40000)
        return "User ROM size " + hex(d.userRomSize) + " is not within 0x1-0x40000";
    if (d.bootRomSize < 1 || d.bootRomSize > 0x2000)
        return "Boot ROM size " + hex(d.bootRomSize) + " is not within 0x1-0x2000";
    if (d.lastBlock < 0 || d.lastBlock > 6)
        return "last block " + std::to_string(d.lastBlock) + " is not within 0-6";
    if (std::uint64_t(d.userRomStart) + d.userRomSize - 1 > 0xFFFFFFFFu)
        return std::string("User ROM area ends beyond address 0xFFFFFFFF");
    if (std::uint64_t(d.bootRomStart) + d.bootRomSize - 1 > 0xFFFFFFFFu)
        return std::string("Boot ROM area ends beyond address 0xFFFFFFFF");

    d.userRomEnd = d.userRomStart + d.userRomSize - 1;
    d.bootRomEnd = d.bootRomStart + d.bootRomSize - 1;
    d.allBlocksMask = allBlocksMaskFor(d.lastBlock);
    return d;
}

} // namespace plx71::detail
