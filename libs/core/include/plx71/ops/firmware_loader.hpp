#pragma once
// The firmware loader's operations: Read Version, the firmware file check of
// "Select..." and the firmware download.
#include "plx71/datafile/firmware_file_reader.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/ops/transfer_runner.hpp"
#include "plx71/ui/ui.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace plx71 {

// The version fields of the loader's dialog. "Read Version" never writes a
// status: it only clears the "Status :" field.
struct LoaderVersions {
    bool ok = false;             // the box answered; false: both texts empty
    std::string firmVersionText; // "Firm Version :"
    std::string bootVersionText; // "Boot Version :"
};

// "Read Version": connect at 9600, switch to hostBaudRates[baudIndex], ask
// CMD_READ_VERSIONS, back to 9600, close. Any failure (port, switch, query,
// the switch back) empties both texts. Every path that switched the rate
// returns the box to 9600 bit/s before closing.
LoaderVersions readVersions(Ui& ui, WriterLink& link, int portIndex, int baudIndex);

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

// The outcome fields of the firmware download.
struct FirmwareDownloadResult {
    std::string statusText;      // "Complete" or "Error"
    std::string firmVersionText; // the box's versions after a complete load,
    std::string bootVersionText; // else empty
    bool complete() const;
};

// 0xC4000 - first address: 256 per page.
std::int32_t loadProgressTotal(const FirmwareImage& image);

// The page phase, on the worker: for each page from image.firstAddress up to
// 0xC3F00, poll the status (10 ms before each poll) until the box is idle,
// then CMD_LOAD_WRITE_PAGE. Stops when the counters stop running (Cancel);
// a failed page write sets the abort mark. `counters` must have been started
// with loadProgressTotal.
void loadWorker(WriterLink& link, const FirmwareImage& image, ProgressCounters& counters);

// "Download": CMD_LOAD_ENTER, CMD_LOAD_PREPARE, the prepare wait, the switch
// to hostBaudRates[baudIndex], the page phase under `runner` ("Loading..."
// with `firmwarePath`), CMD_READ_VERSIONS after a complete page phase, then
// back to 9600 bit/s and close. Failures are shown through `ui`.
FirmwareDownloadResult runFirmwareDownload(Ui& ui, WriterLink& link, const FirmwareImage& image,
                                           const std::string& firmwarePath, int portIndex, int baudIndex,
                                           const TransferRunner& runner);

} // namespace plx71
