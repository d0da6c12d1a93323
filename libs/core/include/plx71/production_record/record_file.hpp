#pragma once
// The production record file and the machine facts a record line carries.
#include <string>

namespace plx71 {

// Appends `line` to `path` (created when missing) in one write on a file
// opened for appending, under an exclusive lock where the system has one, so
// lines of processes appending at once never interleave or tear. False
// (nothing written, or the file left as it was before the call) on failure.
bool appendProductionRecordLine(const std::string& path, const std::string& line);

// Whether `path` can take record lines: opened for appending (created when
// missing, nothing written) without waiting, then closed. A job checks this
// before its first frame, so a box is never programmed without its line.
bool productionRecordCanBeAppended(const std::string& path);

// This machine's name, empty when the system does not say.
std::string hostName();

} // namespace plx71
