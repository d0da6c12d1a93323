#pragma once
// The one fork of every link command: one box, with this process's
// messages and progress display, or a gang when --port was given more than
// once. Every box ends through endJob (job_ending.hpp).
#include "cli_context.hpp"
#include "commands/link_options.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/production_record/job_record.hpp"

namespace plx71::cli {

// `job` gives the port (when --port is not given) and the link rate; the
// choice made is written back into it. `facts` are read when each box ends,
// so `operation` may complete them (upload). Before anything is sent, the
// --record file must take lines: else "Cannot write file" and exit 3.
int runLinkJob(CliContext& ctx, CliUi& ui, const LinkOptions& options, JobSettings& job, const JobFacts& facts,
               const GangOperation& operation);

// Whether this job runs as a gang (--port given more than once).
inline bool isGang(const LinkOptions& options)
{
    return options.ports.size() > 1;
}

} // namespace plx71::cli
