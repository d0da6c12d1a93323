#pragma once
// A request body read as one JSON object, nested at most `maxDepth` levels. A body
// nested deeper is refused while it is read: writing a value out again
// recurses once a level, so a hostile body must not reach that.
#include <nlohmann/json.hpp>

#include <string>
#include <variant>

namespace plx71::line {

// The object, or why the body is refused (for a 400).
std::variant<nlohmann::ordered_json, std::string> parseJsonBody(const std::string& body, int maxDepth);

} // namespace plx71::line
