#pragma once
// A link command given --port more than once: the same job on every box at
// once, each box with its own messages (labelled with its port), progress
// row or lines, outcome and record line; a summary table at the end; the
// exit code of the worst box.
#include "cli_context.hpp"
#include "commands/link_options.hpp"
#include "commands/port_option.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/production_record/job_record.hpp"

#include <string>
#include <vector>

namespace plx71::cli {

// Runs `operation` on the box of every resolved --port at once; a port
// that reaches no device gets its own port-problem outcome and record line.
// Returns the worst exit code.
int runGangJob(CliContext& ctx, const LinkOptions& options, const ResolvedPorts& resolved, const JobFacts& facts,
               LinkRate rate, const GangOperation& operation);

// The table printed after a gang: port, stable name, outcome, pages written
// and verified, duration, firmware version.
std::string gangSummaryTable(const std::vector<BoxOutcome>& outcomes);

} // namespace plx71::cli
