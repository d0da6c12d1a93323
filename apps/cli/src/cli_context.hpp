#pragma once
// What every plx71 command shares: the common options, the device table, the
// exit codes and the output conventions.
#include "cli_ui.hpp"
#include "exit_codes.hpp"
#include "plx71/devices/device_table.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/text/json_writer.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace plx71::cli {

struct CliContext {
    std::string tablePath; // --table; empty = beside the executable
    bool yes = false;      // --yes
    bool json = false;     // --json: one JSON object on stdout
    bool quiet = false;    // -q before the command (after it, the command's own -q)
    std::string command;   // the chosen subcommand's name
    // The command's JSON object, when it made its own (else main builds one
    // from the exit code).
    std::string jsonResult;
    // Fields a command without an object of its own adds to the generic
    // JSON result: what it printed for people.
    JsonObject jsonFields;
    // A link job ended through endJob: its exit code already follows the
    // signal rule, and main leaves it as it is.
    bool jobEnded = false;
    // The chosen subcommand's job, run after the command line is parsed.
    std::function<int(CliUi&)> run;
};

// Bytes outside 0x20..0x7E print as '.'.
std::string printable(std::string_view text);

// Loads the device table (--table or beside the executable) into the state.
// Shows the "not found" message and returns false when it cannot be opened.
bool loadTable(const CliContext& ctx, Ui& ui, PcJobState& state);
// The same into a table alone, for commands that need no images.
bool loadTable(const CliContext& ctx, Ui& ui, DeviceTable& table);

// Selects the device named `name`; false (and a usage message on stderr) when
// the table has no such device.
bool selectDeviceByName(PcJobState& state, JobSettings& job, const std::string& name);

// Set by Ctrl-C (SIGINT), SIGTERM, SIGHUP or SIGQUIT; long commands treat it as
// Cancel.
bool interrupted();
// The exit code of the signal that arrived (130, 143, 129, 131), 0 when none.
int interruptExitCode();
void installInterruptHandler();
// A callback polled by long transfers.
std::function<bool()> interruptPoll();

} // namespace plx71::cli
