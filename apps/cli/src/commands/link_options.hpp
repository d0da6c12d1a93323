#pragma once
// --port, --baud and --record of the link commands, and the pieces every
// link command shares: the progress display and the end of a job (exit
// code, production record, JSON result).
#include "cli_context.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/link/port_choice.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/record/job_record.hpp"
#include "progress/progress_mode.hpp"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace plx71::cli {

struct LinkOptions {
    // --port, once per box: COMn, a path, a by-id or by-path name,
    // usb:VID:PID[:SERIAL] or a station port.
    std::vector<std::string> ports;
    std::optional<int> baud;       // bit/s
    std::string record;            // --record FILE; empty: none
    std::string progress = "auto"; // --progress
    bool quiet = false;            // -q: no progress

    // The port and rate a job uses: these options, else the job's (a
    // project's) choices. A device path leaves the COM index at COM1.
    // Writes the choice back into `job`. Empty when --port names no single
    // device (the cause is on stderr, the exit code in `exitCode`).
    std::optional<PortChoice> applyTo(JobSettings& job, int& exitCode) const;
    // --baud alone, for a gang (its ports are resolved together).
    void applyRate(JobSettings& job) const;
    // Bar, Lines or None, from --progress, -q and whether stderr is a terminal.
    ProgressMode progressMode() const;
};

// --port, --baud, --progress and -q; with `withRecord` also --record.
void addLinkOptions(CLI::App* cmd, LinkOptions& options, bool withRecord);

// The end of a link command: the exit code of the outcome (a signal's code
// when one arrived), the record line appended to options.record (a failed
// append is "Cannot write file" and makes a success "output not written"),
// and the JSON result for --json. Returns the exit code.
int finishJob(CliContext& ctx, CliUi& ui, BoxOutcome outcome, const JobFacts& facts, const LinkOptions& options);

} // namespace plx71::cli
