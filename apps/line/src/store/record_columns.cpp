#include "store/record_columns.hpp"

#include "store/iso_time.hpp"

#include <nlohmann/json.hpp>

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

std::optional<std::string> text(const Json& record, const char* key)
{
    const auto it = record.find(key);
    if (it == record.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

std::optional<std::int64_t> integer(const Json& record, const char* key)
{
    const auto it = record.find(key);
    if (it == record.end() || !it->is_number_integer())
        return std::nullopt;
    if (it->is_number_unsigned() && it->get<std::uint64_t>() > std::uint64_t(INT64_MAX))
        return std::nullopt;
    return it->get<std::int64_t>();
}

std::optional<std::string> portIdentity(const Json& record)
{
    for (const char* key : {"stableName", "devicePath", "port"}) {
        if (auto value = text(record, key); value && !value->empty())
            return value;
    }
    return std::nullopt;
}

} // namespace

RecordColumns recordColumns(const Json& record)
{
    RecordColumns c;
    if (const auto time = text(record, "time"))
        c.time = parseIsoTime(*time);
    c.station = text(record, "station");
    c.label = text(record, "label");
    c.port = portIdentity(record);
    c.device = text(record, "device");
    c.command = text(record, "command");
    c.outcome = text(record, "outcome");
    c.jobDigest = text(record, "jobDigest");
    c.cause = text(record, "cause");
    if (const auto problem = record.find("portProblem"); !c.cause && problem != record.end() && problem->is_object())
        c.cause = text(*problem, "cause");
    c.slot = integer(record, "slot");
    c.exitCode = integer(record, "exitCode");
    c.durationMs = integer(record, "durationMs");
    if (const auto it = record.find("verified"); it != record.end() && it->is_boolean())
        c.verified = it->get<bool>();
    return c;
}

} // namespace plx71::line
