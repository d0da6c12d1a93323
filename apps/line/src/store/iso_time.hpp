#pragma once
// ISO 8601 times as the records and the API write them, in Unix seconds.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plx71::line {

// "2024-05-01T12:00:00Z", with optional fractions of a second (dropped) and
// an offset "+02:00" instead of "Z"; a date alone ("2024-05-01") is its
// midnight UTC. Anything else, or a date that does not exist: nullopt.
std::optional<std::int64_t> parseIsoTime(std::string_view text);
// "2024-05-01T12:00:00Z".
std::string isoTime(std::int64_t unixSeconds);
// The time now, in Unix seconds.
std::int64_t unixNow();

} // namespace plx71::line
