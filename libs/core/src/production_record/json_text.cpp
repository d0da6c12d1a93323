#include "json_text.hpp"

#include <cstdio>

namespace plx71::record_detail {

namespace {

// The length of the valid UTF-8 sequence starting at text[i], 0 when the
// bytes there are not one (overlong forms and surrogates included).
std::size_t utf8Length(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return overlong || surrogate || cp > 0x10FFFF ? 0 : n;
}

void appendEscape(std::string& out, unsigned code)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", code);
    out += buffer;
}

} // namespace

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (const std::size_t n = utf8Length(text, i)) {
                out.append(text.substr(i, n));
                i += n;
            } else {
                appendEscape(out, c);
                ++i;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                appendEscape(out, c);
            else
                out += char(c);
        }
        ++i;
    }
    return out + "\"";
}

JsonObject& JsonObject::key(std::string_view k)
{
    if (!body_.empty())
        body_ += ',';
    body_ += jsonString(k);
    body_ += ':';
    return *this;
}

JsonObject& JsonObject::string(std::string_view k, std::string_view value)
{
    key(k).body_ += jsonString(value);
    return *this;
}

JsonObject& JsonObject::number(std::string_view k, std::int64_t value)
{
    key(k).body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::boolean(std::string_view k, bool value)
{
    key(k).body_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::null(std::string_view k)
{
    key(k).body_ += "null";
    return *this;
}

JsonObject& JsonObject::raw(std::string_view k, std::string_view json)
{
    key(k).body_ += json;
    return *this;
}

} // namespace plx71::record_detail
