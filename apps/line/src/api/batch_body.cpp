#include "api/batch_body.hpp"

#include "api/json_body.hpp"

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

// Deeper than any record.
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxJobIdLength = 128;

std::variant<IncomingRecord, std::string> recordOf(const Json& record, std::size_t index)
{
    const std::string where = "record " + std::to_string(index + 1);
    if (!record.is_object())
        return where + " is not an object";
    const auto id = record.find("jobId");
    if (id == record.end() || !id->is_string())
        return where + " has no string \"jobId\"";
    IncomingRecord r;
    r.jobId = id->get<std::string>();
    if (r.jobId.empty() || r.jobId.size() > kMaxJobIdLength)
        return where + ": \"jobId\" is empty or longer than " + std::to_string(kMaxJobIdLength) + " characters";
    r.text = record.dump();
    r.columns = recordColumns(record);
    return r;
}

} // namespace

std::variant<RecordBatch, std::string> parseBatchBody(const std::string& body)
{
    auto parsed = parseJsonBody(body, kMaxDepth);
    if (auto* why = std::get_if<std::string>(&parsed))
        return *why;
    const Json& doc = std::get<Json>(parsed);
    const auto records = doc.find("records");
    if (records == doc.end() || !records->is_array())
        return std::string("\"records\" is missing or not an array");
    RecordBatch batch;
    if (const auto station = doc.find("station"); station != doc.end() && station->is_string())
        batch.station = station->get<std::string>();
    if (const auto backlog = doc.find("backlog"); backlog != doc.end() && backlog->is_number_integer()) {
        const auto n = backlog->get<std::int64_t>();
        if (n >= 0)
            batch.backlog = n;
    }
    for (std::size_t i = 0; i < records->size(); ++i) {
        auto record = recordOf((*records)[i], i);
        if (auto* why = std::get_if<std::string>(&record))
            return *why;
        batch.records.push_back(std::move(std::get<IncomingRecord>(record)));
    }
    return batch;
}

} // namespace plx71::line
