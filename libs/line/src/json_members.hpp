#pragma once
// Members of the bodies the stations post that may be unknown: null, not "".
#include "plx71/text/json_writer.hpp"

#include <optional>
#include <string_view>

namespace plx71::line {

inline JsonObject& stringOrNull(JsonObject& object, std::string_view key, std::string_view text)
{
    return text.empty() ? object.null(key) : object.string(key, text);
}

template <typename Number>
JsonObject& numberOrNull(JsonObject& object, std::string_view key, const std::optional<Number>& value)
{
    return value ? object.number(key, std::int64_t(*value)) : object.null(key);
}

} // namespace plx71::line
