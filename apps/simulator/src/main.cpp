// plx71sim: the writer box in software on a pseudo-terminal. Prints the
// terminal's path as its first line, then serves the PC side until it gets
// SIGINT, SIGTERM or SIGHUP.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "plx71_version.hpp"
#include "plx71sim/simulator.hpp"

namespace {

constexpr int kExitCannotStart = 1;
constexpr int kExitBadOption = 2;

// What the command line asks for, before the texts are checked and turned
// into box options.
struct CommandLine {
    plx71sim::Options options;
    int busyMs = 50;
    int resyncMs = 100;
    std::vector<std::string> failPages;
    std::vector<std::string> flipReads;
    std::vector<std::string> unerasedPages;
    std::string noise;
    std::string noiseAt;
};

std::optional<unsigned long> parseNumber(const std::string& text)
{
    try {
        std::size_t used = 0;
        const unsigned long v = std::stoul(text, &used, 0);
        if (used != text.size() || text.empty() || text[0] == '-')
            return std::nullopt;
        return v;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool parsePage(const std::string& text, std::uint16_t& page)
{
    const auto v = parseNumber(text);
    if (!v || *v >= plx71sim::kPageCount)
        return false;
    page = static_cast<std::uint16_t>(*v);
    return true;
}

// RATE[:SEED]: a bit error rate from 0 to 1, and the seed of the errors.
bool parseNoise(const std::string& text, plx71sim::LineNoiseOptions& noise)
{
    const auto colon = text.find(':');
    const std::string rateText = text.substr(0, colon);
    try {
        std::size_t used = 0;
        const double rate = std::stod(rateText, &used);
        if (used != rateText.size() || !(rate >= 0 && rate <= 1))
            return false;
        noise.toBox = noise.toPc = rate;
    } catch (const std::exception&) {
        return false;
    }
    if (colon == std::string::npos)
        return true;
    const auto seed = parseNumber(text.substr(colon + 1));
    if (!seed)
        return false;
    noise.seed = *seed;
    return true;
}

// A bit error rate from 0 to 1, the whole text.
std::optional<double> parseErrorRate(const std::string& text)
{
    try {
        std::size_t used = 0;
        const double rate = std::stod(text, &used);
        if (used != text.size() || !(rate >= 0 && rate <= 1))
            return std::nullopt;
        return rate;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// RATE=BER[,RATE=BER...][:SEED]: a bit error rate per link rate.
bool parseNoiseAt(const std::string& text, plx71sim::Options& options)
{
    const auto colon = text.find(':');
    const std::string list = text.substr(0, colon);
    std::size_t start = 0;
    while (start <= list.size()) {
        const auto end = std::min(list.find(',', start), list.size());
        const std::string item = list.substr(start, end - start);
        const auto eq = item.find('=');
        const auto rate = parseNumber(item.substr(0, std::min(eq, item.size())));
        const auto ber = eq == std::string::npos ? std::nullopt : parseErrorRate(item.substr(eq + 1));
        constexpr unsigned long kRates[] = {9600, 19200, 38400, 57600, 115200};
        if (!rate || !ber || std::find(std::begin(kRates), std::end(kRates), *rate) == std::end(kRates))
            return false;
        options.noiseAtRate[int(*rate)] = *ber;
        start = end + 1;
    }
    if (colon == std::string::npos)
        return true;
    const auto seed = parseNumber(text.substr(colon + 1));
    if (!seed)
        return false;
    options.noise.seed = *seed;
    return true;
}

std::string versionText()
{
    std::string text = std::string("plx71sim ") + PLX71_PROJECT_VERSION;
    if (*PLX71_GIT_COMMIT)
        text += std::string(" (git ") + PLX71_GIT_COMMIT + ")";
    return text;
}

void addLineOptions(CLI::App& app, CommandLine& c)
{
    plx71sim::Options& o = c.options;
    app.add_option("--link", o.linkPath, "make a symbolic link PATH -> the terminal (removed on exit)");
    app.add_option("--state", o.statePath, "keep the stored job in FILE across restarts");
    app.add_option("--log", o.logPath, "log every frame and acknowledge byte to FILE, in hex");
    app.add_flag("--pace", o.pace, "send and take bytes at the line rate");
    app.add_option("--busy-ms", c.busyMs, "busy time after erase, Boot ROM page and commit")
        ->check(CLI::Range(0, 600000));
    app.add_option("--resync-ms", c.resyncMs, "quiet time after which a broken frame is dropped")
        ->check(CLI::Range(1, 10000));
    app.add_flag("--strict-busy", o.box.strictBusy, "refuse erase/page/commit commands while busy");
    app.add_option("--boot-version", o.box.bootVersion, "boot version text (16 characters)");
    app.add_option("--firmware-version", o.firmwareVersionOverride, "report this firmware version");
    app.add_option("--noise", c.noise,
                   "invert each bit on the line, both ways, with probability RATE (0 to 1); "
                   "the same SEED (default 1) gives the same errors: RATE[:SEED]");
    app.add_option("--noise-at", c.noiseAt,
                   "a bit error rate of its own while the link runs at RATE bit/s (9600, 19200, 38400, "
                   "57600 or 115200); rates not named keep --noise, or none: RATE=BER[,RATE=BER...][:SEED]");
}

void addFaultOptions(CLI::App& app, CommandLine& c)
{
    plx71sim::Faults& f = c.options.faults;
    app.add_option("--drop-ack", f.dropAcks, "ignore the next N good frames (no ACK)")->check(CLI::NonNegativeNumber);
    app.add_option("--nak", f.naks, "NAK the next N good frames")->check(CLI::NonNegativeNumber);
    app.add_option("--corrupt", f.corruptReplies, "send the next N replies with a bad checksum")
        ->check(CLI::NonNegativeNumber);
    app.add_flag("--silent", f.silent, "answer nothing at all");
    app.add_flag("--stay-busy", f.stayBusy, "report busy for ever");
    app.add_option("--fail-page", c.failPages, "NAK every write of page number P (repeatable; 0x.. ok)");
    app.add_flag("--no-settings", f.noSettings, "report no stored settings");
    app.add_option("--flip-read", c.flipReads,
                   "reads of page P hand back the byte at OFFSET (default 0) inverted: P[:OFFSET] (repeatable)");
    app.add_option("--unerased-page", c.unerasedPages,
                   "an erase leaves User ROM page P holding 00 instead of FF (repeatable)");
    app.add_option("--alter-setting", f.alterSetting, "answer the settings query with FIELD changed")
        ->check(CLI::IsMember(
            std::vector<std::string>(std::begin(plx71sim::kSettingFields), std::end(plx71sim::kSettingFields))));
}

// Turns the texts of the command line into box options. False with the
// message on stderr when one of them is malformed.
bool applyTexts(CommandLine& c)
{
    plx71sim::Faults& f = c.options.faults;
    for (const auto& text : c.flipReads) {
        const auto colon = text.find(':');
        std::uint16_t page = 0, offset = 0;
        if (!parsePage(text.substr(0, colon), page)
            || (colon != std::string::npos && (!parsePage(text.substr(colon + 1), offset) || offset > 0xFF))) {
            std::cerr << "plx71sim: bad page read fault " << text << " (P[:OFFSET], P 0 to 0x1FFF, OFFSET 0 to 0xFF)\n";
            return false;
        }
        f.flipReads[page] = static_cast<std::uint8_t>(offset);
    }
    for (const auto* list : {&c.failPages, &c.unerasedPages}) {
        for (const auto& text : *list) {
            std::uint16_t page = 0;
            const bool user = list == &c.unerasedPages;
            if (!parsePage(text, page) || (user && page >= plx71sim::kBootPageBit)) {
                std::cerr << "plx71sim: bad page number " << text << (user ? " (0 to 0xFFF)\n" : " (0 to 0x1FFF)\n");
                return false;
            }
            (user ? f.unerasedPages : f.failPages).insert(page);
        }
    }
    if (!c.noise.empty() && !parseNoise(c.noise, c.options.noise)) {
        std::cerr << "plx71sim: bad noise " << c.noise << " (RATE[:SEED], RATE 0 to 1, e.g. 1e-5:7)\n";
        return false;
    }
    if (!c.noiseAt.empty() && !parseNoiseAt(c.noiseAt, c.options)) {
        std::cerr << "plx71sim: bad noise " << c.noiseAt
                  << " (RATE=BER[,RATE=BER...][:SEED], RATE a link rate, BER 0 to 1, e.g. 115200=2e-3:7)\n";
        return false;
    }
    c.options.box.busyTime = std::chrono::milliseconds(c.busyMs);
    c.options.resyncGap = std::chrono::milliseconds(c.resyncMs);
    return true;
}

// Runs the box until a signal comes, showing each new error once.
int serve(const plx71sim::Options& options)
{
    // Signals are taken by sigtimedwait below; block them before the box's
    // thread starts so that it inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    plx71sim::Simulator sim(options);
    if (!sim.start()) {
        std::cerr << "plx71sim: " << sim.lastError() << '\n';
        return kExitCannotStart;
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

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"PLX-71RD writer box on a pseudo-terminal"};
    CommandLine c;
    addLineOptions(app, c);
    addFaultOptions(app, c);
    app.set_version_flag("--version", versionText());
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and --version end with 0; every bad option with the one code.
        return app.exit(e) == 0 ? 0 : kExitBadOption;
    }
    if (!applyTexts(c))
        return kExitBadOption;
    // Nobody reads the requests back from the program: keep none.
    c.options.box.keepReceived = 0;
    return serve(c.options);
}
