#pragma once
// --help and --version of a window program, answered before QApplication is
// made: no display is needed, so a terminal without X gets its answer and
// help2man can write the manual page from it.
#include <optional>
#include <string>

namespace plx71::qtui {

struct ProgramHelp {
    std::string name;  // "PLX71RD": starts the --version line
    std::string usage; // the whole --help text, "Usage: ..." first
};

// Any argument --help, -h or --version (before a "--"): prints the usage or
// "NAME 1.30 (git e3ae3b927ca1)" on stdout and gives the exit code (0, or 1
// when stdout cannot take it). Otherwise nothing: the program starts.
std::optional<int> answerHelpOrVersion(int argc, const char* const* argv, const ProgramHelp& help);

} // namespace plx71::qtui
