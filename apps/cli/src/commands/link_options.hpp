#pragma once
// --port, --baud, --record and the progress choice of the link commands.
#include "cli_context.hpp"
#include "plx71/job/job_settings.hpp"
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
    std::optional<int> baud;          // bit/s
    std::string productionRecordPath; // --record FILE; empty: none (with --line: the user's data folder)
    std::string stationName;          // --station-name; empty: the host name
    std::string lineUrl;              // --line URL: ship each record line to the line server
    std::string lineTokenPath;        // --line-token FILE
    std::string progress = "auto";    // --progress
    bool quiet = false;               // -q (before or after the command): no progress
    bool recover = false;             // --recover: resync, re-read and restart on a noisy line
    bool requireRelease = false;      // --require-release: only jobs released on the line server

    // --baud into the job, when given (else the job's rate stays).
    void applyRate(JobSettings& job) const;
    // Bar, Lines or None, from --progress, -q and whether stderr is a terminal.
    ProgressMode progressMode() const;
    // The "station" of the record lines.
    std::string station() const;
};

// Whether a link command takes --record FILE.
enum class RecordOption { Absent, Present };
// What the help of --port offers: several boxes at once, or one box only.
enum class BoxCount { Several, One };

// --port, --baud, --progress and -q, and --record, --station-name, --line
// and --line-token when the record is Present.
void addLinkOptions(CLI::App* cmd, LinkOptions& options, RecordOption record, BoxCount boxes = BoxCount::Several);
// --recover, for the commands that move pages.
void addRecoverOption(CLI::App* cmd, LinkOptions& options);

// --require-release (after addLinkOptions with the record Present: it needs --line).
void addRequireReleaseOption(CLI::App* cmd, LinkOptions& options);

// Refuses "" as a file name (--record, --table): a usage error, as --port "" is.
CLI::Validator nonEmptyFileName();
// Takes only a line server URL (--line): http://HOST[:PORT][/PATH].
CLI::Validator lineUrlCheck();

} // namespace plx71::cli
