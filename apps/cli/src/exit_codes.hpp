#pragma once
// The exit codes of plx71, by outcome class. Stable: scripts and production
// lines branch on them (README and `plx71 --help` list them).
#include "plx71/ops/box_outcome.hpp"

namespace plx71::cli {

enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,      // a message was shown or a question got Cancel
    kExitUsage = 2,       // bad command line, unknown device
    kExitFileError = 3,   // a data, project or firmware file; an output not written
    kExitPortProblem = 4, // port not found, permission denied, busy
    kExitNoAnswer = 5,    // no answer from the box, or a communication error
    kExitBoxRefused = 6,  // firmware version different, settings not loaded
    kExitVerifyMismatch = 7,
    kExitHangup = 129,      // SIGHUP: cancelled, box back at 9600, port closed
    kExitInterrupted = 130, // Ctrl-C (SIGINT): the same
    kExitQuit = 131,        // SIGQUIT: the same
    kExitTerminated = 143,  // SIGTERM: the same
};

// The code of an outcome is outcomeExitCode (one table for plx71 and the
// records of every program); jobExitCode (commands/job_ending.hpp) adds the
// signal rule.

} // namespace plx71::cli
