#include "cli_context.hpp"

#include "plx71/devices/table_lookup.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/text/utf8_path.hpp"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace plx71::cli {

namespace {
volatile std::sig_atomic_t interruptSignal = 0;
extern "C" void onInterrupt(int sig)
{
    if (interruptSignal == 0)
        interruptSignal = sig;
}
} // namespace

std::string printable(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E)
            c = '.';
    }
    return out;
}

bool loadTable(const CliContext& ctx, Ui& ui, DeviceTable& table)
{
    std::filesystem::path file =
        ctx.tablePath.empty() ? locateDeviceTable(currentExecutablePath()) : pathFromUtf8(ctx.tablePath);
    auto loaded = loadDeviceTable(file);
    if (!loaded) {
        // The message names the table by its usual name; the line behind it
        // names the file that was tried.
        ui.messageWithDetail(Icon::Stop, std::string(msg::kDeviceTableNotFound),
                             utf8FromPath(file) + ": missing, unreadable or without a usable record");
        return false;
    }
    table = std::move(*loaded);
    return true;
}

bool loadTable(const CliContext& ctx, Ui& ui, PcJobState& state)
{
    return loadTable(ctx, ui, state.deviceTable);
}

bool selectDeviceByName(PcJobState& state, JobSettings& job, const std::string& name)
{
    int index = state.deviceTable.find(name);
    if (index < 0) {
        std::fprintf(stderr, "unknown device: %s (see: plx71 devices)\n", printable(name).c_str());
        return false;
    }
    selectDevice(state, job, index);
    return true;
}

bool interrupted()
{
    return interruptSignal != 0;
}

int interruptExitCode()
{
    switch (interruptSignal) {
    case SIGINT:
        return kExitInterrupted;
    case SIGTERM:
        return kExitTerminated;
#ifdef SIGHUP
    case SIGHUP:
        return kExitHangup;
#endif
#ifdef SIGQUIT
    case SIGQUIT:
        return kExitQuit;
#endif
    default:
        return 0;
    }
}

void installInterruptHandler()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
#ifdef SIGHUP
    std::signal(SIGHUP, onInterrupt);
#endif
#ifdef SIGQUIT
    std::signal(SIGQUIT, onInterrupt);
#endif
#ifdef SIGPIPE
    // A reader that went away (| head) must not end the job with the box
    // at the job's rate and no record line: a write to a closed stdout or
    // stderr fails on its own and the job runs to its end.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

std::function<bool()> interruptPoll()
{
    return [] { return interrupted(); };
}

} // namespace plx71::cli
