#pragma once
// Intel HEX / S-record reader for the User ROM and Boot ROM images.
#include "plx71/datafile/file_type.hpp"
#include "plx71/devices/device_record.hpp"
#include "plx71/image/protect_level.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/messages/file_problems.hpp"

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace plx71 {

// What an accepted file is placed over: the image as it is, or a blank
// image (every byte FF, as "Select..." loads a file on its own).
enum class ReadOnto { Image, BlankImage };

// How a read goes beyond the file itself.
struct DataFileReadOptions {
    // What an accepted file is placed over. With BlankImage the whole image
    // is blanked before the file is placed, and the protect level is that
    // of the file over blank.
    ReadOnto onto = ReadOnto::Image;
    // Asked when a User ROM file holds a protected program, once the file
    // has been read without errors; false refuses it (ProtectedDeclined).
    // None: a protected program is loaded.
    ProtectDecision protect;
    // Receives the protect level of the file's data once a User ROM file has
    // been read without errors, before the decision and whatever it is (the
    // form's "Rom Protect :" shows it); else untouched.
    int* protectLevelSeen = nullptr;
};

// Reads `path` into `image` (the area's buffer; index = address - area start).
// Every data record must lie inside the area of `device`, and at least one
// must put a byte there (an empty file is never taken for a blank chip); the
// file must end with its end record and no two records may put different
// bytes at one address. The image is replaced as a whole on success (bytes
// the file does not give keep what the image held) and not touched at all
// on failure. Shows nothing: none when the file was placed, else what was
// wrong with it.
std::optional<DataFileProblem> readDataFile(const DeviceRecord& device, Area area, std::span<std::uint8_t> image,
                                            const std::filesystem::path& path, const DataFileReadOptions& options = {});

// The same on text already in memory, with the format given (the problem
// names no file).
std::optional<DataFileProblem> readDataText(const DeviceRecord& device, Area area, std::span<std::uint8_t> image,
                                            std::string_view text, DataFormat format,
                                            const DataFileReadOptions& options = {});

} // namespace plx71
