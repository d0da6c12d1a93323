#pragma once
// Download: stores the job's settings and ROM data in the writer box.
#include "plx71/job/job_settings.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/ops/transfer_runner.hpp"
#include "plx71/ui/ui.hpp"

#include <cstdint>
#include <span>

namespace plx71 {

// What the download worker sends, fixed before it starts.
struct DownloadData {
    DeviceRecord device;                     // areas, lastBlock, vcc
    std::array<std::uint32_t, kBlockCount> blockSize{}; // the walk's block sizes (area tables)
    std::span<const std::uint8_t> userImage; // index = address - userRomStart
    std::span<const std::uint8_t> bootImage; // index = address - bootRomStart
    std::uint8_t downloadSelection = 0;      // bit k: User ROM block k is written
    bool includeBootRom = false;             // the first eight Boot ROM pages go too
};

// User ROM pages weigh 256, Boot ROM pages 2560: the fixed sizes of the
// selected blocks 0..6 (bits 7 and up count nothing), plus 0x5000 (eight
// Boot ROM pages) with a Boot ROM file.
std::int32_t downloadProgressTotal(std::uint8_t downloadSelection, bool includeBootRom);

// The data phase, on the worker: erase (always mask 0x7F), wait for the box,
// the User ROM pages of the selected blocks in ascending addresses, wait, the
// Boot ROM pages each followed by a wait, then CMD_DOWNLOAD_END and
// CMD_DOWNLOAD_COMMIT and a last wait, unless the abort mark was set (Cancel,
// or a failed erase or page write, which also sets it). `counters` must have
// been started with downloadProgressTotal.
void downloadWorker(WriterLink& link, const DownloadData& data, ProgressCounters& counters);

// The whole download, on the caller's thread up to the data phase, which
// `runner` runs. Refuses (nothing sent, no message) unless canDownload holds;
// refuses file names longer than 255 characters with a stop-icon message
// before anything is sent. Port and rate come from job.portSelection and
// job.hostBaudSelection (link.portOverride, when set, names the device
// instead). Failures are reported once, through `ui` (link.ui is pointed at
// it for the call). Every path that opened the port closes it; every path
// that switched the rate first returns the box to 9600 bit/s. State and job
// are never changed; link.firmwareVersion is refreshed. True when the data
// phase completed (the runner returned true).
bool runDownload(Ui& ui, WriterLink& link, const WriterState& state, const JobSettings& job,
                 const TransferRunner& runner);

} // namespace plx71
