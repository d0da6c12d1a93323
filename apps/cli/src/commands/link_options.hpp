#pragma once
// --port and --baud of the link commands, and the pieces every link command
// shares: the link itself and the progress display.
#include "cli_context.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/ops/transfer_runner.hpp"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace plx71::cli {

struct LinkOptions {
    std::optional<std::string> port; // COM1..COM4 or a device path
    std::optional<int> baud;         // bit/s

    // The port and rate a job uses: these options, else the job's (a
    // project's) choices. A device path sets link.portOverride and leaves
    // the COM index at COM1. Writes the choice back into `job`.
    void applyTo(JobSettings& job, WriterLink& link) const;
};

void addLinkOptions(CLI::App* cmd, LinkOptions& options);

// The runner of the command line: Ctrl-C is Cancel; a progress bar on
// stderr when stderr is a terminal.
TransferRunner terminalRunner();

} // namespace plx71::cli
