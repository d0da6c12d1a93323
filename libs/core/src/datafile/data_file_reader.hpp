#pragma once
// Intel HEX / S-record reader for the User ROM and Boot ROM images.
#include "plx71/datafile/file_type.hpp"
#include "plx71/devices/device_record.hpp"
#include "plx71/image/protect_level.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/messages/ui.hpp"

#include <filesystem>
#include <span>
#include <string_view>

namespace plx71 {

// What an accepted file is placed over: the image as it is, or a blank
// image (every byte FF, as "Select..." loads a file on its own).
enum class ReadOnto { Image, BlankImage };

// Reads `path` into `image` (the area's buffer; index = address - area start).
// Every data record must lie inside the area of `device`, and at least one
// must put a byte there (else "File format error" with the reason as its
// detail: an empty file is never taken for a blank chip); for the User ROM a
// protected program is loaded only when the user answers OK. The image is
// replaced as a whole on success (bytes the file does not give keep what the
// image held) and not touched at all on failure. Messages: "File not found",
// "File format error", "Invalid address contained", the protect questions.
// `protectLevelSeen` (optional) receives the protect level of the file's data
// once a User ROM file has been read without errors, before the question and
// whatever the answer (the form's "Rom Protect :" shows it); else untouched.
// With ReadOnto::BlankImage the whole image is blanked before an accepted
// file is placed, and the protect level is that of the file over blank.
// `protect` says what a protected program gets: the question, or none.
bool readDataFile(Ui& ui, const DeviceRecord& device, Area area, std::span<std::uint8_t> image,
                  const std::filesystem::path& path, int* protectLevelSeen = nullptr, ReadOnto onto = ReadOnto::Image,
                  ProtectedProgram protect = ProtectedProgram::Ask);

// The same on text already in memory, with the format given.
bool readDataText(Ui& ui, const DeviceRecord& device, Area area, std::span<std::uint8_t> image, std::string_view text,
                  DataFormat format, int* protectLevelSeen = nullptr, ReadOnto onto = ReadOnto::Image,
                  ProtectedProgram protect = ProtectedProgram::Ask);

} // namespace plx71
