#pragma once
// What the command line says about a failed box operation.
#include "plx71/ops/box_outcome.hpp"

#include <string>

namespace plx71::cli {

// The lines on stderr for `outcome`: the core's message, then the reason
// behind it on a line of its own ("COM1 cannot be used\npermission denied:
// ..."). Empty for an outcome the command line shows no message for.
std::string describe(const BoxOutcome& outcome);

// "failed command: CMD_WRITE_PAGE, page 0FA3": the line the job's end adds
// behind "Communication error between PLX-71RD", as JSON and record say it.
std::string failedCommandLine(const BoxOutcome& outcome);

} // namespace plx71::cli
