#include "api/json_body.hpp"

namespace plx71::line {

namespace {

struct TooDeep {};

} // namespace

std::variant<nlohmann::ordered_json, std::string> parseJsonBody(const std::string& body, int maxDepth)
{
    using Json = nlohmann::ordered_json;
    try {
        Json doc = Json::parse(body, [maxDepth](int depth, Json::parse_event_t, Json&) {
            if (depth > maxDepth)
                throw TooDeep{};
            return true;
        });
        if (!doc.is_object())
            return std::string("body is not a JSON object");
        return doc;
    } catch (const Json::parse_error& e) {
        return std::string("body is not JSON: ") + e.what();
    } catch (const TooDeep&) {
        return "body is nested deeper than " + std::to_string(maxDepth) + " levels";
    }
}

} // namespace plx71::line
