#pragma once
// The one JSON writer of every program: plx71 --json, the production record
// lines. Compact (no blanks), members in the order they are added, so a
// script comparing two results compares their bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace plx71 {

// `text` as a JSON string literal, quotes included. Valid UTF-8 passes
// through; control characters, quotes and backslashes are escaped; bytes
// that are not valid UTF-8 are read as Latin-1 (\u00XX), so any file name
// gives valid JSON.
std::string jsonString(std::string_view text);

class JsonObject {
public:
    JsonObject& string(std::string_view key, std::string_view value);
    JsonObject& number(std::string_view key, std::int64_t value);
    JsonObject& boolean(std::string_view key, bool value);
    JsonObject& null(std::string_view key);
    // `json` must already be a JSON value (object, array, literal).
    JsonObject& raw(std::string_view key, std::string_view json);
    // The members of `other`, after the ones already here.
    JsonObject& members(const JsonObject& other);
    std::string text() const { return "{" + body_ + "}"; }

private:
    JsonObject& key(std::string_view k);
    std::string body_;
};

class JsonArray {
public:
    JsonArray& string(std::string_view value);
    // `json` must already be a JSON value.
    JsonArray& raw(std::string_view json);
    JsonArray& object(const JsonObject& o) { return raw(o.text()); }
    std::string text() const { return "[" + body_ + "]"; }

private:
    std::string body_;
};

} // namespace plx71
