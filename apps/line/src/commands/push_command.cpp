#include "commands/push_command.hpp"

#include "plx71/line/shipper.hpp"
#ifdef _WIN32
#include "plx71/line/http_client.hpp"
#else
#include "plx71/line/httplib_client.hpp"
#endif
#include "plx71/production_record/record_file.hpp"

#include <cstdio>

namespace plx71::line {

int PushCommand::run() const
{
#ifdef _WIN32
    const auto client = systemHttpClient(); // WinHTTP
#else
    const auto client = httplibClient();
#endif
    const LineStatus status =
        pushRecordFile(url, tokenFile, recordFile, station.empty() ? hostName() : station, *client);
    const ShipReport& r = status.report;
    std::printf("%zu lines accepted, %zu set aside, %zu waiting\n", r.accepted, r.setAside, r.waiting);
    if (r.shipped())
        return kLineOk;
    std::fprintf(stderr, "record: kept locally, %zu %s waiting for the line server (%s)\n", r.waiting,
                 r.waiting == 1 ? "line" : "lines", r.cause.c_str());
    return kLineFailed;
}

CLI::App* PushCommand::add(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(std::string(kName),
                                       "ship the lines of a record file that the line server does not hold yet "
                                       "(the mark of what was shipped is kept in RECORDFILE.shipped)");
    sub->add_option("--line", url, "the line server, http://HOST[:PORT][/PATH]")
        ->required()
        ->check(CLI::Validator(
            [](std::string& text) {
                return parseLineUrl(text) ? std::string() : std::string("--line takes http://HOST[:PORT][/PATH]");
            },
            "URL"));
    sub->add_option("--line-token", tokenFile, "the file holding a token of role station or engineer")->required();
    sub->add_option("--station-name", station, "the station named in the batches (default: this machine's name)");
    sub->add_option("RECORDFILE", recordFile, "a production record file (JSON lines)")->required();
    return sub;
}

} // namespace plx71::line
