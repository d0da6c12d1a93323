#include "api/jobs_csv.hpp"

#include <algorithm>
#include <memory>

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kPageRows = 1000;

// A text cell: quoted when it holds a comma, quote or line break. One that
// starts like a formula gets a leading ' so a spreadsheet shows it as text.
std::string cell(const std::optional<std::string>& value)
{
    if (!value)
        return {};
    std::string text = *value;
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        text.insert(text.begin(), '\'');
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string cell(const std::optional<std::int64_t>& value)
{
    return value ? std::to_string(*value) : std::string();
}

struct CsvStream {
    JobStore& store;
    JobQuery query;
    std::optional<std::int64_t> left; // rows still to write; nullopt: all
    JobPage page;
    bool started = false;
};

int pageSize(const std::optional<std::int64_t>& left)
{
    return int(std::min<std::int64_t>(kPageRows, left.value_or(kPageRows)));
}

} // namespace

std::string jobsCsvRow(const std::string& recordText)
{
    Json record;
    try {
        record = Json::parse(recordText);
    } catch (const Json::exception&) {
        return "\r\n";
    }
    const RecordColumns c = recordColumns(record);
    const auto textOf = [&](const char* key) -> std::optional<std::string> {
        const auto it = record.find(key);
        return it != record.end() && it->is_string() ? std::optional(it->get<std::string>()) : std::nullopt;
    };
    std::optional<std::string> verified;
    if (c.verified)
        verified = *c.verified ? "true" : "false";
    return cell(textOf("time")) + "," + cell(c.station) + "," + cell(c.slot) + "," + cell(c.label) + "," + cell(c.port)
        + "," + cell(c.device) + "," + cell(c.command) + "," + cell(c.outcome) + "," + cell(c.cause) + ","
        + cell(c.exitCode) + "," + cell(verified) + "," + cell(c.jobDigest) + "," + cell(c.durationMs) + ","
        + cell(textOf("jobId")) + "\r\n";
}

void replyJobsCsv(httplib::Response& res, JobStore& store, JobQuery query, std::optional<std::int64_t> limit)
{
    // The first page now: a store that is away answers 503 like any route.
    query.limit = pageSize(limit);
    auto stream = std::make_shared<CsvStream>(CsvStream{store, query, limit, store.jobs(query)});
    res.status = 200;
    res.set_header("Content-Disposition", "attachment; filename=\"plx71-jobs.csv\"");
    res.set_chunked_content_provider("text/csv; charset=utf-8", [stream](std::size_t, httplib::DataSink& sink) {
        std::string chunk = stream->started ? "" : kJobsCsvHeader;
        stream->started = true;
        for (const std::string& record : stream->page.records)
            chunk += jobsCsvRow(record);
        if (stream->left)
            *stream->left -= std::int64_t(stream->page.records.size());
        const bool more = !stream->page.next.empty() && stream->left.value_or(1) > 0;
        if (!sink.write(chunk.data(), chunk.size()))
            return false;
        if (!more) {
            sink.done();
            return true;
        }
        stream->query.beforeJob = stream->page.next;
        stream->query.limit = pageSize(stream->left);
        try {
            stream->page = stream->store.jobs(stream->query);
        } catch (const std::exception&) {
            return false; // the download ends unfinished: the browser says it failed
        }
        return true;
    });
}

} // namespace plx71::line
