#pragma once
// The firmware loader's pieces: the firmware file check of "Select..." and
// the page phase of the firmware download (BoxSession runs the rest).
#include "plx71/datafile/firmware_file_reader.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/transfer/progress_counters.hpp"
#include "plx71/ui/ui.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
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

// A firmware file accepted by "Select...".
struct SelectedFirmware {
    FirmwareImage image;
    std::string path;        // "File :"
    std::string versionText; // "File Version :", the 16-byte header as text
};

// "Select...": reads `path` onto a blank (0xFF) image and checks the version
// header at 0xC1000. None when the reader refused the file (its message has
// been shown) or the header is not of the "V1.30 2001/12/25" shape ("File
// format error", stop icon); the caller then disables Download.
std::optional<SelectedFirmware> selectFirmwareFile(Ui& ui, const std::filesystem::path& path);

// 0xC4000 - first address: 256 per page.
std::int32_t loadProgressTotal(const FirmwareImage& image);

// The page phase, on the worker: for each page from image.firstAddress up to
// 0xC3F00, poll the status (10 ms before each poll) until the box is idle,
// then CMD_LOAD_WRITE_PAGE. Stops when the counters stop running (Cancel);
// a failed page write sets the abort mark and makes the result false.
// `counters` must have been started with loadProgressTotal.
bool loadWorker(WriterLink& link, const FirmwareImage& image, ProgressCounters& counters);

} // namespace plx71
