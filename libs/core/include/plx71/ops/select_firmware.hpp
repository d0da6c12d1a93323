#pragma once
// The loader's "Select...": a firmware file checked before Download is offered.
#include "plx71/datafile/firmware_file_reader.hpp"
#include "plx71/messages/ui.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace plx71 {

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

} // namespace plx71
