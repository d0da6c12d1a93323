#pragma once
// The firmware download's page phase, run on the transfer worker.
#include "link/box_link.hpp"
#include "plx71/datafile/firmware_file_reader.hpp"
#include "plx71/transfer/progress_counters.hpp"

#include <cstdint>

namespace plx71 {

// 0xC4000 - first address: 256 per page.
std::int32_t loadProgressTotal(const FirmwareImage& image);

// The page phase, on the worker: for each page from image.firstAddress up to
// 0xC3F00, poll the status (10 ms before each poll) until the box is idle,
// then CMD_LOAD_WRITE_PAGE. Stops when the counters stop running (Cancel);
// a failed page write, or a box busy beyond timing.pageBusyLimit, sets the
// abort mark and commandFailed. `counters` must have been started with
// loadProgressTotal.
struct LoadWork {
    bool commandFailed = false;
    std::int32_t pagesWritten = 0; // pages the box acknowledged
};
LoadWork loadWorker(BoxLink& link, const FirmwareImage& image, ProgressCounters& counters);

} // namespace plx71
