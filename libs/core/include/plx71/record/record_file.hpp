#pragma once
// The production record file and the machine facts a record line carries.
#include <string>

namespace plx71 {

// Appends `line` to `path` (created when missing) in one write on a file
// opened for appending, under an exclusive lock where the system has one, so
// lines of processes appending at once never interleave or tear. False
// (nothing written, or the file left as it was before the call) on failure.
bool appendRecordLine(const std::string& path, const std::string& line);

// This machine's name, empty when the system does not say.
std::string hostName();

} // namespace plx71
