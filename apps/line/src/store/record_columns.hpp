#pragma once
// The fields of a record line the store indexes, beside the line itself.
// A field missing or of another type leaves its column empty (NULL).
#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace plx71::line {

struct RecordColumns {
    std::optional<std::int64_t> time; // "time", Unix seconds
    std::optional<std::string> station, label, port, device, command, outcome, jobDigest;
    std::optional<std::string> cause; // "cause", else the port problem's "cause"
    std::optional<std::int64_t> slot, exitCode, durationMs;
    std::optional<bool> verified;
};

// The columns of one record object. The port identity is the port's stable
// name, else its device path, else the port name the job was given.
RecordColumns recordColumns(const nlohmann::ordered_json& record);

} // namespace plx71::line
