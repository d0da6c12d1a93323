#pragma once
// The jobs a query finds as CSV (GET /api/v1/jobs.csv, or /api/v1/jobs
// with format=csv): one row per job, newest first, streamed page by page.
#include "api/route.hpp"

namespace plx71::line {

inline constexpr const char* kJobsCsvHeader =
    "time,station,slot,label,port,device,command,outcome,cause,exitCode,verified,jobDigest,durationMs,jobId\r\n";

// `limit`: at most that many rows; nullopt: every job the query finds.
void replyJobsCsv(httplib::Response& res, JobStore& store, JobQuery query, std::optional<std::int64_t> limit);
// One CSV row (with its CRLF) of a record's text.
std::string jobsCsvRow(const std::string& recordText);

} // namespace plx71::line
