#pragma once
// The body of POST /api/v1/records:
//   {"station": NAME, "backlog": N, "records": [ {record}, ... ]}
// Every record must be an object with a string "jobId"; one that is not
// refuses the whole batch.
#include "store/job_store.hpp"

#include <string>
#include <variant>

namespace plx71::line {

inline constexpr std::size_t kMaxBodyBytes = 4 * 1024 * 1024;

// The batch, or why the body is refused (for a 400).
std::variant<RecordBatch, std::string> parseBatchBody(const std::string& body);

} // namespace plx71::line
