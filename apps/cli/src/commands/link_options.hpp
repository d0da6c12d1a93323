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
    std::optional<std::string> port; // COMn, a path, a by-id name, usb:VID:PID[:SERIAL], a station port
    std::optional<int> baud;         // bit/s

    // The port and rate a job uses: these options, else the job's (a
    // project's) choices. A device path sets link.portOverride and leaves
    // the COM index at COM1. Writes the choice back into `job`. Returns
    // kExitOk, or the exit code when --port names no single device (the
    // cause is on stderr).
    int applyTo(JobSettings& job, WriterLink& link) const;
};

void addLinkOptions(CLI::App* cmd, LinkOptions& options);

// The runner of the command line: Ctrl-C is Cancel; a progress bar on
// stderr when stderr is a terminal.
TransferRunner terminalRunner();

} // namespace plx71::cli
