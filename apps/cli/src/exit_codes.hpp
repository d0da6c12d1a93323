#pragma once
// The exit codes of plx71 (ExitCode, ops/box_outcome.hpp) and what --help
// says of each: the one table the help text is made from. Stable: scripts
// and production lines branch on them.
#include "plx71/ops/box_outcome.hpp"

#include <string>
#include <string_view>

namespace plx71::cli {

struct ExitCodeRow {
    ExitCode code;
    std::string_view text; // for a signal, its name
};

// In the order --help lists them; the signals share the last line.
inline constexpr ExitCodeRow kExitCodeRows[] = {
    {kExitOk, "success (a firmware load: every page acknowledged, \"loaded, not read back\")"},
    {kExitFailed, "a message was shown, or a question was answered Cancel"},
    {kExitUsage, "usage error (bad option, unknown device)"},
    {kExitFileError, "file error: a data, project or firmware file cannot be used, or an output was not written"},
    {kExitPortProblem, "port problem: not found, permission denied, or busy"},
    {kExitNoAnswer, "no answer from the writer box, or a communication error"},
    {kExitBoxRefused,
     "the writer box refused: firmware version different, or settings not loaded; or the job is "
     "not released for this line (--require-release)"},
    {kExitVerifyMismatch, "verify mismatch: the box holds something else than the project"},
    {kExitHangup, "SIGHUP"},
    {kExitInterrupted, "Ctrl-C"},
    {kExitQuit, "SIGQUIT"},
    {kExitTerminated, "SIGTERM"},
};
inline constexpr std::string_view kSignalExitText = "cancelled; the box is back at 9600 bit/s and the port closed";

// "Exit codes:" and one line per row, as the footer of plx71 --help.
std::string exitCodeHelp();

// The code of an outcome is outcomeExitCode (one table for plx71 and the
// records of every program); jobExitCode (commands/job_ending.hpp) adds the
// signal rule.

} // namespace plx71::cli
