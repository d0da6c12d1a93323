#include "commands/link_options.hpp"

#include "build_version.hpp"
#include "commands/port_option.hpp"
#include "plx71/line/shipper.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/port/link_rates.hpp"
#include "plx71/port/port_names.hpp"
#include "plx71/production_record/record_file.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

namespace plx71::cli {

CLI::Validator nonEmptyFileName()
{
    return CLI::Validator(
        [](std::string& text) {
            return text.empty() ? std::string("an empty file name names no file") : std::string();
        },
        "FILE");
}

CLI::Validator lineUrlCheck()
{
    return CLI::Validator(
        [](std::string& text) {
            return line::parseLineUrl(text) ? std::string() : std::string("--line takes http://HOST[:PORT][/PATH]");
        },
        "URL");
}

void LinkOptions::applyRate(JobSettings& job) const
{
    if (baud)
        job.linkRate = linkRateOfBitRate(*baud).value_or(job.linkRate); // --baud's check took it
}

std::string LinkOptions::station() const
{
    return stationName.empty() ? hostName() : stationName;
}

ProgressMode LinkOptions::progressMode() const
{
    // A mode named with --progress is the explicit choice: it wins over -q.
    const ProgressMode asked = progressModeFromName(progress).value_or(ProgressMode::Auto);
    if (quiet && asked == ProgressMode::Auto)
        return ProgressMode::None;
    return effectiveProgressMode(asked, stderrIsTerminal());
}

namespace {

void addRecordOptions(CLI::App* cmd, LinkOptions& options)
{
    cmd->add_option("--record", options.productionRecordPath,
                    "append one JSON line per job to FILE (production record; with --line the default is "
                    "plx71-records.jsonl in the user's data folder)")
        ->check(nonEmptyFileName());
    cmd->add_option("--station-name", options.stationName,
                    "the station or script named in each record line (default: this machine's name)");
    auto* line = cmd->add_option("--line", options.lineUrl,
                                 "after each job, ship the record lines not yet shipped to the line server at "
                                 "URL (http://HOST[:PORT][/PATH]); a job never waits for it longer than a few "
                                 "seconds and ends as it would without --line")
                     ->check(lineUrlCheck());
    auto* token = cmd->add_option("--line-token", options.lineTokenPath,
                                  "the file holding this station's token for the line server")
                      ->check(nonEmptyFileName());
    line->needs(token);
    token->needs(line);
    // The record file of --line without --record, once the line is parsed.
    cmd->parse_complete_callback([&options] {
        if (!options.lineUrl.empty() && options.productionRecordPath.empty())
            options.productionRecordPath = line::defaultRecordFile();
    });
}

} // namespace

void addLinkOptions(CLI::App* cmd, LinkOptions& options, RecordOption record, BoxCount boxes)
{
    const std::string ports = "COM1..COM4, a device path, a /dev/serial/by-id or by-path name, "
                              "usb:VID:PID[:SERIAL] or a port named in the station file (default: "
                              "the project's port, else COM1; see plx71 ports)";
    cmd->add_option(
           "--port", options.ports,
           ports + (boxes == BoxCount::One ? "; one box only" : "; give it once per box to run several boxes at once"))
        ->allow_extra_args(false);
    cmd->add_option("--progress", options.progress, "auto (a bar on a terminal, else lines), bar, lines or none")
        ->check(CLI::IsMember({"auto", "bar", "lines", "none"}));
    cmd->add_flag("-q,--quiet", options.quiet,
                  "no progress display (messages still show); --progress with a mode wins over it");
    cmd->add_option("--baud", options.baud, "link rate during the job (default: the project's, else 115200)")
        ->check(CLI::Validator(
            [](std::string& text) {
                // The text itself: CLI11 would also take 0x2580 or 9600.0 for 9600.
                for (const int rate : kLinkBitRates) {
                    if (text == std::to_string(rate))
                        return std::string();
                }
                return std::string("--baud takes 9600, 19200, 38400, 57600 or 115200");
            },
            "{9600,19200,38400,57600,115200}")); // as the help lists a set: the completion reads it
    if (record == RecordOption::Present)
        addRecordOptions(cmd, options);
}

} // namespace plx71::cli

namespace plx71::cli {

void addRecoverOption(CLI::App* cmd, LinkOptions& options)
{
    cmd->add_flag("--recover", options.recover,
                  "finish on a noisy line: more attempts per frame, a failed page read resyncs and goes "
                  "on from that page, a page that reads back different is read again, and a failed "
                  "download starts again from the erase (from the second time a link rate lower)");
}

} // namespace plx71::cli

namespace plx71::cli {

void addRequireReleaseOption(CLI::App* cmd, LinkOptions& options)
{
    cmd->add_flag("--require-release", options.requireRelease,
                  "before anything is sent to a box, ask the line server (--line) whether the project's job "
                  "digest is released; a job not released, or a server that cannot be asked, is refused "
                  "(exit 6)")
        ->needs(cmd->get_option("--line"));
}

} // namespace plx71::cli
