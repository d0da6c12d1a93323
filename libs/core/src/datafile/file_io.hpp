#pragma once
// Whole-file reading and writing for data files: only regular files are
// read (a FIFO or device never blocks), and a write replaces the old file
// only once the new one is safely on the disk.
#include "plx71/messages/file_problems.hpp"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace plx71 {

// No data file comes near this: a 256 KiB area written one byte per record
// is about 4 MB. Anything larger (or endless, a device or a pipe) is refused
// before it can eat the memory.
inline constexpr std::size_t kMaxDataFileBytes = std::size_t{64} << 20;

enum class ReadResult { Ok, CannotRead, TooLarge };

// The whole file into `text`, at most `maxBytes` of it. Anything but a
// regular file cannot be read.
ReadResult readWholeFile(const std::filesystem::path& path, std::string& text,
                         std::size_t maxBytes = kMaxDataFileBytes);

// readWholeFile for the readers: none when `text` holds the file, else the
// problem (CannotRead, or TooLarge for a file no data file comes near).
std::optional<DataFileProblem> readDataFileText(const std::filesystem::path& path, std::string& text);

// Creates (or replaces) the file with exactly `text`. False on any failure,
// and then the old file is as it was.
bool writeWholeFile(const std::filesystem::path& path, std::string_view text);

} // namespace plx71
