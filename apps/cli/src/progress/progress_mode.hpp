#pragma once
// --progress auto|bar|lines|none and -q: how a job shows its progress on
// stderr. A bar is redrawn in place, which a log file turns into one long
// line of carriage returns; lines are whole, newline-ended steps.
#include <optional>
#include <string_view>

namespace plx71::cli {

enum class ProgressMode { Auto, Bar, Lines, None };

std::optional<ProgressMode> progressModeFromName(std::string_view name);

// Auto becomes Bar on a terminal and Lines otherwise.
ProgressMode effectiveProgressMode(ProgressMode mode, bool stderrIsTerminal);

bool stderrIsTerminal();
// The width of the terminal on stderr, else COLUMNS, else 80.
int terminalColumns();

} // namespace plx71::cli
