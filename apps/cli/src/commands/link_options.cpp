#include "commands/link_options.hpp"

#include "commands/port_option.hpp"
#include "plx71/link/port_names.hpp"

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

int LinkOptions::applyTo(JobSettings& job, WriterLink& link) const
{
    if (port) {
        const ResolvedPorts resolved = resolvePortSpecs({*port});
        if (resolved.exitCode != kExitOk)
            return resolved.exitCode;
        job.portSelection = resolved.ports.front().comPortIndex;
        link.portOverride = resolved.ports.front().devicePath;
    }
    if (baud)
        job.hostBaudSelection = baudIndexOf(*baud);
    link.comPortIndex = job.portSelection;
    link.hostBaudIndex = job.hostBaudSelection;
    return kExitOk;
}

void addLinkOptions(CLI::App* cmd, LinkOptions& options)
{
    cmd->add_option("--port", options.port, "COM1..COM4, a device path, a /dev/serial/by-id or by-path name, "
                                             "usb:VID:PID[:SERIAL] or a port named in the station file "
                                             "(default: the project's port, else COM1; see plx71 ports)");
    cmd->add_option("--baud", options.baud, "link rate during the job (default: the project's, else 115200)")
        ->check(CLI::IsMember({9600, 19200, 38400, 57600, 115200}));
}

TransferRunner terminalRunner()
{
    PollingRunnerOptions options;
    options.cancelRequested = interruptPoll();
    if (stderrIsTerminal()) {
        options.onTick = drawBar;
        auto inner = makePollingRunner(std::move(options));
        return [inner](const TransferView& view, ProgressCounters& counters, std::function<void()> body) {
            const bool ok = inner(view, counters, std::move(body));
            std::fputc('\n', stderr);
            return ok;
        };
    }
    return makePollingRunner(std::move(options));
}

} // namespace plx71::cli
