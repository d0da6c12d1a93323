#pragma once
// The data phase of a download: what is sent, in which order, and the worker
// that sends it. BoxSession runs it; it is public for the session's tests.
#include "link/box_link.hpp"
#include "link/writer_commands.hpp"
#include "plx71/ops/box_job.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"

#include <cstdint>
#include <functional>

namespace plx71 {

// The progress weights of a download: a User ROM page counts 256, a Boot
// ROM page 2560, and eight Boot ROM pages are its share.
inline constexpr std::int32_t kUserPageWeight = 256;
inline constexpr std::int32_t kBootPageWeight = 2560;
inline constexpr int kBootPagesSent = 8;

// The fixed sizes of the selected blocks 0..6 (bits 7 and up count
// nothing), plus 0x5000 (eight Boot ROM pages) with a Boot ROM file.
std::int32_t downloadProgressTotal(std::uint8_t downloadSelection, bool includeBootRom);

// What the data phase did, for the outcome.
struct DownloadWork {
    bool commandFailed = false; // erase or a page write failed (else an abort was Cancel)
    std::int32_t pagesWritten = 0;
    std::int32_t pagesSkipped = 0; // blank pages not sent (skipBlank), counted as done
};

// The data phase, on the worker: erase (always mask 0x7F), wait for the box,
// the User ROM pages of the job, wait, its Boot ROM pages each followed by a
// wait (with `skipBlank`, User ROM pages all 0xFF are left out and counted
// as done at once), then CMD_DOWNLOAD_END and CMD_DOWNLOAD_COMMIT and a last
// wait, unless the abort mark was set (Cancel, or a failed erase or page
// write, which also sets it). `counters` must have been started with
// downloadProgressTotal. `onPhase` (may be empty) hears Erase, UserPages,
// BootPages and Commit.
// `retry` (may be empty) runs each page write: a recovering job's resync
// and write again.
using PageRetry = std::function<bool(const std::function<bool()>& once)>;
DownloadWork downloadWorker(BoxLink& link, const BoxJob& job, bool skipBlank, ProgressCounters& counters,
                            const std::function<void(ProgressPhase)>& onPhase = {}, const PageRetry& retry = {});

} // namespace plx71
