#pragma once
// The data phase of a download: what is sent, in which order, and the worker
// that sends it. BoxSession runs it; it is public for the session's tests.
#include "link/writer_commands.hpp"
#include "link/writer_link.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace plx71 {

// What the download worker sends, fixed before it starts.
struct DownloadData {
    DeviceRecord device;                                // areas, lastBlock, vcc
    std::array<std::uint32_t, kBlockCount> blockSize{}; // the walk's block sizes (area tables)
    std::span<const std::uint8_t> userImage;            // index = address - userRomStart
    std::span<const std::uint8_t> bootImage;            // index = address - bootRomStart
    std::uint8_t downloadSelection = 0;                 // bit k: User ROM block k is written
    bool includeBootRom = false;                        // the first eight Boot ROM pages go too
    bool skipBlank = false;                             // pages all 0xFF are not sent
};

// The download data of a job: the operation block mask as selection, the
// Boot ROM when a Boot ROM file is named.
DownloadData downloadDataOf(const WriterState& state, const JobSettings& job);

// User ROM pages weigh 256, Boot ROM pages 2560: the fixed sizes of the
// selected blocks 0..6 (bits 7 and up count nothing), plus 0x5000 (eight
// Boot ROM pages) with a Boot ROM file.
std::int32_t downloadProgressTotal(std::uint8_t downloadSelection, bool includeBootRom);

// One page a download writes.
struct PlannedPage {
    Area area = Area::UserRom;
    std::uint16_t page = 0;    // the page number sent
    std::uint32_t offset = 0;  // into the area's image
    std::uint32_t address = 0; // the device address of its first byte
};

// The pages a complete download writes, in the order it writes them: the
// selected User ROM blocks in ascending addresses (unselected blocks skipped
// by their size), then Boot ROM pages while the progress weights leave room
// (eight when the User ROM used exactly its share), as long as the
// counters would run.
std::vector<PlannedPage> plannedDownloadPages(const DownloadData& data);

// What the data phase did, for the outcome.
struct DownloadWork {
    bool commandFailed = false; // erase or a page write failed (else an abort was Cancel)
    std::int32_t pagesWritten = 0;
    std::int32_t pagesSkipped = 0; // blank pages not sent (skipBlank), counted as done
};

// The data phase, on the worker: erase (always mask 0x7F), wait for the box,
// the User ROM pages of the plan, wait, the Boot ROM pages each followed by
// a wait (with data.skipBlank, pages all 0xFF are left out and counted as
// done at once), then CMD_DOWNLOAD_END and CMD_DOWNLOAD_COMMIT and a last wait,
// unless the abort mark was set (Cancel, or a failed erase or page write,
// which also sets it). `counters` must have been started with
// downloadProgressTotal. `onPhase` (may be empty) hears Erase, UserPages,
// BootPages and Commit.
// `retry` (may be empty) runs each page write: a recovering job's resync
// and write again.
using PageRetry = std::function<bool(const std::function<bool()>& once)>;
DownloadWork downloadWorker(WriterLink& link, const DownloadData& data, ProgressCounters& counters,
                            const std::function<void(ProgressPhase)>& onPhase = {}, const PageRetry& retry = {});

} // namespace plx71
