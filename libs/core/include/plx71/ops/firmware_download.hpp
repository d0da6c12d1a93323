#pragma once
// The firmware download's page phase and what the loader's dialog shows
// after a box session's Read Version or firmware download.
#include "plx71/datafile/firmware_file_reader.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/transfer/progress_counters.hpp"

#include <cstdint>
#include <string>

namespace plx71 {

// The version fields of the loader's dialog after "Read Version": both
// texts, or both empty when anything failed.
struct LoaderVersions {
    bool ok = false;
    std::string firmVersionText; // "Firm Version :"
    std::string bootVersionText; // "Boot Version :"
};
LoaderVersions loaderVersionsOf(const BoxOutcome& outcome);

// The loader's fields after a firmware download: "Complete" with the box's
// versions read after the load, else "Error" (with the versions when they
// were read before a failed return to 9600 bit/s).
struct FirmwareDownloadResult {
    std::string statusText; // "Complete" or "Error"
    std::string firmVersionText;
    std::string bootVersionText;
    bool complete() const;
};
FirmwareDownloadResult firmwareDownloadResultOf(const BoxOutcome& outcome);

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
LoadWork loadWorker(WriterLink& link, const FirmwareImage& image, ProgressCounters& counters);

} // namespace plx71
