#pragma once
// The wire format of a batch of record lines (POST /api/v1/records) and of
// the server's answer.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plx71::line {

inline constexpr const char* kRecordsPath = "/api/v1/records";
// At most this many lines per batch, and a body well below the server's
// 4 MiB limit.
inline constexpr std::size_t kMaxBatchLines = 100;
inline constexpr std::size_t kMaxBatchBytes = 3u << 20;

// {"station": ..., "backlog": n, "records": [<each line's object, as written>]}.
// `lines` are whole JSON objects (checked by the outbox), without newlines.
std::string recordBatchJson(std::string_view station, std::size_t backlog, const std::vector<std::string_view>& lines);

// The jobId of a record line, empty when the line is not a JSON object with
// a string "jobId" (lines of older versions, torn or foreign lines).
std::string recordJobId(std::string_view line);

} // namespace plx71::line
