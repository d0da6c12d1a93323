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

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace plx71::cli {

struct LinkOptions {
    std::optional<std::string> port; // COM1..COM4 or a device path
    std::optional<int> baud;         // bit/s
    std::string record;              // --record FILE; empty: none

    // The port and rate a job uses: these options, else the job's (a
    // project's) choices. A device path leaves the COM index at COM1.
    // Writes the choice back into `job`.
    PortChoice applyTo(JobSettings& job) const;
};

// --port and --baud; with `withRecord` also --record.
void addLinkOptions(CLI::App* cmd, LinkOptions& options, bool withRecord);

// The sink of the command line: Ctrl-C, SIGTERM and SIGHUP are Cancel; a
// progress bar on stderr when stderr is a terminal.
class TerminalSink : public ProgressSink {
public:
    TerminalSink();
    bool runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body) override;
    bool cancelRequested() const override;

private:
    bool drawBar_;
};

// The end of a link command: the exit code of the outcome (a signal's code
// when one arrived), the record line appended to options.record (a failed
// append is "Cannot write file" and makes a success "output not written"),
// and the JSON result for --json. Returns the exit code.
int finishJob(CliContext& ctx, CliUi& ui, BoxOutcome outcome, const JobFacts& facts, const LinkOptions& options);

} // namespace plx71::cli
