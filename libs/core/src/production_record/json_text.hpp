#pragma once
// A small JSON object writer: enough for one flat-ish result object.
#include <cstdint>
#include <string>
#include <string_view>

namespace plx71::record_detail {

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
    std::string text() const { return "{" + body_ + "}"; }

private:
    JsonObject& key(std::string_view k);
    std::string body_;
};

} // namespace plx71::record_detail
