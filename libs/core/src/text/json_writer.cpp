#include "plx71/text/json_writer.hpp"

#include "plx71/text/utf8_path.hpp"

#include <cstdio>

namespace plx71 {

namespace {

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
            if (const std::size_t n = utf8SequenceLength(text, i)) {
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

JsonObject& JsonObject::members(const JsonObject& other)
{
    if (!body_.empty() && !other.body_.empty())
        body_ += ',';
    body_ += other.body_;
    return *this;
}

JsonArray& JsonArray::string(std::string_view value)
{
    return raw(jsonString(value));
}

JsonArray& JsonArray::raw(std::string_view json)
{
    if (!body_.empty())
        body_ += ',';
    body_ += json;
    return *this;
}

} // namespace plx71
