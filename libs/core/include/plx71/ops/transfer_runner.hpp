#pragma once
// How an operation hands its data phase to the front end. The operation runs
// its settings commands on the caller's thread, starts the counters, and then
// calls the runner, which runs the worker body on a TransferWorker under the
// front end's progress display (a modal dialog, a progress bar on a terminal,
// nothing at all) and offers Cancel by calling counters.abort().
#include "plx71/transfer/progress_counters.hpp"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace plx71 {

// What the progress display shows: its title and its one line of text.
struct TransferView {
    std::string title;
    std::string text;
};

inline constexpr std::string_view kDownloadTitle = "Downloading...   PC -> PLX-71RD";
inline constexpr std::string_view kUploadTitle = "Uploading...  PLX-71RD -> PC";
inline constexpr std::string_view kLoadingTitle = "Loading...";

// Runs `workerBody` on a worker thread while showing `view` with a bar over
// 0..counters.total() (counters.done() is the position). Cancel sets the
// abort mark and nothing else; the display stays until the body has ended.
// The runner returns only after the body has finished (the worker joined),
// true when the counters are then below the abort mark (the dialog's IDOK),
// false otherwise (IDCANCEL).
using TransferRunner =
    std::function<bool(const TransferView& view, ProgressCounters& counters, std::function<void()> workerBody)>;

// A runner without a window, for the command line and tests: runs the body
// on a TransferWorker, and every `tick` until it has ended asks
// `cancelRequested` (Cancel when it says so) and calls `onTick` (a progress
// display). Either callback may be empty.
struct PollingRunnerOptions {
    std::function<bool()> cancelRequested;
    std::function<void(const TransferView&, const ProgressCounters&)> onTick;
    std::chrono::milliseconds tick{100};
};
TransferRunner makePollingRunner(PollingRunnerOptions options = {});

} // namespace plx71
