#include "commands/link_options.hpp"

#include "plx71/link/port_names.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/ui/messages.hpp"
#include "program_version.hpp"

#include <algorithm>
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace plx71::cli {

namespace {

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

int baudIndexOf(int bitRate)
{
    for (std::size_t i = 0; i < hostBaudRates.size(); ++i) {
        if (hostBaudRates[i] == bitRate)
            return int(i);
    }
    return -1;
}

void drawBar(const TransferView& view, const ProgressCounters& counters)
{
    constexpr int kWidth = 40;
    const std::int64_t total = counters.total();
    const std::int64_t done = std::min<std::int64_t>(counters.done(), total);
    const int filled = total > 0 ? int(done * kWidth / total) : kWidth;
    const int percent = total > 0 ? int(done * 100 / total) : 100;
    std::fprintf(stderr, "\r%s [%-*s] %3d%%", view.title.c_str(), kWidth, std::string(std::size_t(filled), '#').c_str(),
                 percent);
    std::fflush(stderr);
}

} // namespace

PortChoice LinkOptions::applyTo(JobSettings& job) const
{
    PortChoice choice = PortChoice::com(job.portSelection);
    if (port) {
        if (auto index = comPortIndexFromName(*port)) {
            job.portSelection = *index;
            choice = PortChoice::com(*index);
        } else {
            job.portSelection = 0;
            choice = PortChoice::path(*port);
        }
    }
    if (baud)
        job.hostBaudSelection = baudIndexOf(*baud);
    return choice;
}

void addLinkOptions(CLI::App* cmd, LinkOptions& options, bool withRecord)
{
    cmd->add_option("--port", options.port, "COM1..COM4 (PLX71_COMn or /dev/ttyS<n-1>) or a device path "
                                             "(default: the project's port, else COM1)");
    cmd->add_option("--baud", options.baud, "link rate during the job (default: the project's, else 115200)")
        ->check(CLI::IsMember({9600, 19200, 38400, 57600, 115200}));
    if (withRecord)
        cmd->add_option("--record", options.record, "append one JSON line per job to FILE (production record)");
}

TerminalSink::TerminalSink() : drawBar_(stderrIsTerminal()) {}

bool TerminalSink::cancelRequested() const
{
    return interrupted();
}

bool TerminalSink::runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body)
{
    PollingSinkOptions options;
    options.cancelRequested = [] { return interrupted(); };
    if (drawBar_)
        options.onTick = drawBar;
    const bool ok = PollingProgressSink(std::move(options)).runTransfer(view, counters, std::move(body));
    if (drawBar_)
        std::fputc('\n', stderr);
    return ok;
}

int finishJob(CliContext& ctx, CliUi& ui, BoxOutcome outcome, const JobFacts& facts, const LinkOptions& options)
{
    int rc = exitCodeFor(outcome.kind);
    if (const int signalCode = interruptExitCode())
        rc = signalCode;
    if (!options.record.empty()
        && !appendRecordLine(options.record, recordLine(outcome, facts, rc, programVersion()))) {
        ui.message(Icon::Exclamation, msg::cannotWriteFile(options.record));
        if (rc == kExitOk) {
            outcome.kind = OutcomeClass::OutputNotWritten;
            outcome.filePath = options.record;
            rc = exitCodeFor(outcome.kind);
        }
    }
    if (ctx.json)
        ctx.jsonResult = resultJson(outcome, facts, rc);
    return rc;
}

} // namespace plx71::cli
