#pragma once
// A link command given --port more than once: the same job on every box at
// once, each box with its own messages (labelled with its port), progress
// row or lines, outcome and record line; a summary table at the end; the
// exit code of the worst box.
#include "cli_context.hpp"
#include "commands/link_options.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/record/job_record.hpp"

#include <string>
#include <vector>

namespace plx71::cli {

// Resolves every --port (duplicates refused before anything is sent), runs
// `operation` on each box and returns the worst exit code.
int runGangJob(CliContext& ctx, const LinkOptions& options, const JobFacts& facts, int hostBaudIndex,
               const GangOperation& operation);

// The table printed after a gang: port, stable name, outcome, pages written
// and verified, duration, firmware version.
std::string gangSummaryTable(const std::vector<BoxOutcome>& outcomes);

} // namespace plx71::cli
