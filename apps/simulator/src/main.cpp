// plx71sim: the writer box in software on a pseudo-terminal. Prints the
// terminal's path as its first line, then serves the PC side until it gets
// SIGINT, SIGTERM or SIGHUP.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "plx71_version.hpp"
#include "plx71sim/simulator.hpp"

namespace {

bool parsePage(const std::string& text, std::uint16_t& page)
{
    try {
        std::size_t used = 0;
        const unsigned long v = std::stoul(text, &used, 0);
        if (used != text.size() || v >= plx71sim::kPageCount)
            return false;
        page = static_cast<std::uint16_t>(v);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string versionText()
{
    std::string text = std::string("plx71sim ") + PLX71_PROJECT_VERSION;
    if (*PLX71_GIT_COMMIT)
        text += std::string(" (git ") + PLX71_GIT_COMMIT + ")";
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"PLX-71RD writer box on a pseudo-terminal"};
    plx71sim::Options o;
    int busyMs = 50;
    int resyncMs = 100;
    std::vector<std::string> failPages;
    app.add_option("--link", o.linkPath, "make a symbolic link PATH -> the terminal (removed on exit)");
    app.add_option("--state", o.statePath, "keep the stored job in FILE across restarts");
    app.add_option("--log", o.logPath, "log every frame and acknowledge byte to FILE, in hex");
    app.add_flag("--pace", o.pace, "send and take bytes at the line rate");
    app.add_option("--busy-ms", busyMs, "busy time after erase, Boot ROM page and commit")
        ->check(CLI::Range(0, 600000));
    app.add_option("--resync-ms", resyncMs, "quiet time after which a broken frame is dropped")
        ->check(CLI::Range(1, 10000));
    app.add_flag("--strict-busy", o.box.strictBusy, "refuse erase/page/commit commands while busy");
    app.add_option("--boot-version", o.box.bootVersion, "boot version text (16 characters)");
    app.add_option("--firmware-version", o.firmwareVersionOverride, "report this firmware version");
    app.add_option("--drop-ack", o.faults.dropAcks, "ignore the next N good frames (no ACK)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--nak", o.faults.naks, "NAK the next N good frames")->check(CLI::NonNegativeNumber);
    app.add_option("--corrupt", o.faults.corruptReplies, "send the next N replies with a bad checksum")
        ->check(CLI::NonNegativeNumber);
    app.add_flag("--silent", o.faults.silent, "answer nothing at all");
    app.add_flag("--stay-busy", o.faults.stayBusy, "report busy for ever");
    app.add_option("--fail-page", failPages, "NAK every write of page number P (repeatable; 0x.. ok)");
    app.add_flag("--no-settings", o.faults.noSettings, "report no stored settings");
    std::vector<std::string> flipReads;
    app.add_option("--flip-read", flipReads,
                   "reads of page P hand back the byte at OFFSET (default 0) inverted: P[:OFFSET] (repeatable)");
    app.add_option("--alter-setting", o.faults.alterSetting, "answer the settings query with FIELD changed")
        ->check(CLI::IsMember(
            std::vector<std::string>(std::begin(plx71sim::kSettingFields), std::end(plx71sim::kSettingFields))));
    app.set_version_flag("--version", versionText());
    CLI11_PARSE(app, argc, argv);

    for (const auto& f : flipReads) {
        const auto colon = f.find(':');
        std::uint16_t page = 0, offset = 0;
        if (!parsePage(f.substr(0, colon), page)
            || (colon != std::string::npos && (!parsePage(f.substr(colon + 1), offset) || offset > 0xFF))) {
            std::cerr << "plx71sim: bad page read fault " << f << " (P[:OFFSET], P 0 to 0x1FFF, OFFSET 0 to 0xFF)\n";
            return 2;
        }
        o.faults.flipReads[page] = static_cast<std::uint8_t>(offset);
    }

    for (const auto& p : failPages) {
        std::uint16_t page;
        if (!parsePage(p, page)) {
            std::cerr << "plx71sim: bad page number " << p << " (0 to 0x1FFF)\n";
            return 2;
        }
        o.faults.failPages.insert(page);
    }
    o.box.busyTime = std::chrono::milliseconds(busyMs);
    o.resyncGap = std::chrono::milliseconds(resyncMs);

    // Signals are taken by sigtimedwait below; block them before the box's
    // thread starts so that it inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    plx71sim::Simulator sim(o);
    if (!sim.start()) {
        std::cerr << "plx71sim: " << sim.lastError() << '\n';
        return 1;
    }
    std::cout << sim.slavePath() << std::endl;

    std::string shown;
    for (;;) {
        timespec wait{0, 200'000'000};
        const int sig = sigtimedwait(&signals, nullptr, &wait);
        const std::string error = sim.lastError();
        if (error != shown) {
            std::cerr << "plx71sim: " << error << '\n';
            shown = error;
        }
        if (sig > 0)
            break;
    }
    sim.stop();
    const std::string error = sim.lastError();
    if (error != shown)
        std::cerr << "plx71sim: " << error << '\n';
    return 0;
}
