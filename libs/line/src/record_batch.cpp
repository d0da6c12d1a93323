#include "plx71/line/record_batch.hpp"

#include "plx71/text/json_writer.hpp"

#include <nlohmann/json.hpp>

namespace plx71::line {

std::string recordBatchJson(std::string_view station, std::size_t backlog, const std::vector<std::string_view>& lines)
{
    // The lines go as they were written: the server keeps every field as is.
    std::string records = "[";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0)
            records += ',';
        records += lines[i];
    }
    records += ']';
    return JsonObject()
        .string("station", station)
        .number("backlog", std::int64_t(backlog))
        .raw("records", records)
        .text();
}

std::string recordJobId(std::string_view line)
{
    const nlohmann::json value = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
    if (!value.is_object())
        return {};
    const auto id = value.find("jobId");
    if (id == value.end() || !id->is_string())
        return {};
    return id->get<std::string>();
}

} // namespace plx71::line
