#pragma once
// How a box session shows its progress and learns about Cancel. The session
// starts the counters of each transfer once and hands the transfer's body to
// the sink, which runs it on a worker thread under its display (a modal
// dialog, a bar on a terminal, a line of a gang's table, nothing at all).
// Cancel only sets the abort mark; the worker notices it at its next check.
#include "plx71/transfer/progress_counters.hpp"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace plx71 {

// Where a session is. Download: Connect, Settings, Erase, UserPages,
// BootPages, Commit, Verify (when asked), Closing. Verify alone: Connect,
// Verify, Closing. Upload: Connect, Settings (read back), UserPages,
// BootPages, Closing. Firmware: Connect, LoaderPrepare, FirmwarePages,
// Closing.
enum class ProgressPhase {
    Connect,       // port, rate switch, version query
    Settings,      // the settings commands (or the settings read of an upload)
    Erase,         // CMD_ERASE_BLOCKS and its wait
    UserPages,     // User ROM pages (written, or read by an upload)
    BootPages,     // Boot ROM pages
    Commit,        // CMD_DOWNLOAD_END, CMD_DOWNLOAD_COMMIT and the wait
    Verify,        // the read-back: settings record and every page written
    LoaderPrepare, // CMD_LOAD_ENTER, CMD_LOAD_PREPARE and the prepare wait
    FirmwarePages, // firmware pages
    Closing,       // back to 9600 bit/s, port closed
};
std::string_view progressPhaseName(ProgressPhase phase); // "user-pages", ...

// Which transfer a progress display shows; each has its own counters.
enum class TransferKind { Download, Verify, Upload, FirmwareLoad };

// What a progress display shows: the kind (which dialog), its title and its
// one line of text (a file name; empty shows none).
struct TransferView {
    TransferKind kind = TransferKind::Download;
    std::string title;
    std::string text;
};

inline constexpr std::string_view kDownloadTitle = "Downloading...   PC -> PLX-71RD";
inline constexpr std::string_view kVerifyTitle = "Verifying...   PLX-71RD -> PC";
inline constexpr std::string_view kUploadTitle = "Uploading...  PLX-71RD -> PC";
inline constexpr std::string_view kLoadingTitle = "Loading...";

class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // The session moved on (called from the session's thread or its worker).
    virtual void phaseChanged(ProgressPhase phase) { (void)phase; }
    // A word beside the phase while the job goes a longer way, e.g. a
    // recovering download that starts again: "restart 2 of 5, 57600 bit/s".
    // It stands until the next note; empty clears it.
    virtual void phaseNote(const std::string& note) { (void)note; }

    // Runs `body` on a worker thread while showing `view` with a bar over
    // 0..counters.total() (the session has started the counters; the sink
    // never restarts them). Returns only after the body has finished: true
    // when the counters are then below the abort mark, false otherwise.
    virtual bool runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body) = 0;

    // Cancel asked outside a transfer (Ctrl-C, a signal): the session asks
    // between its steps and goes straight to the way back to 9600.
    virtual bool cancelRequested() const { return false; }
};

// A sink without a window, for the command line, gangs and tests: runs the
// body on a TransferWorker and, every `tick` until it has ended, asks
// `cancelRequested` (Cancel when it says so) and calls `onTick`. Any
// callback may be empty.
struct PollingSinkOptions {
    std::function<bool()> cancelRequested;
    std::function<void(const TransferView&, const ProgressCounters&)> onTick;
    std::function<void(ProgressPhase)> onPhase;
    std::chrono::milliseconds tick{100};
    std::function<void(const std::string&)> onNote;
};

class PollingProgressSink : public ProgressSink {
public:
    explicit PollingProgressSink(PollingSinkOptions options = {}) : options_(std::move(options)) {}

    void phaseChanged(ProgressPhase phase) override;
    void phaseNote(const std::string& note) override;
    bool runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body) override;
    bool cancelRequested() const override;

private:
    PollingSinkOptions options_;
};

} // namespace plx71
