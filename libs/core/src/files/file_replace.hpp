#pragma once
// Writing a user's file so that a failure never costs the file that was
// there: the new text goes to a temporary file in the same folder, is flushed
// to the disk, and only then renamed over the old one.
#include <filesystem>
#include <string_view>

namespace plx71 {

// The steps of a replacing write, in order; a test can make one of them fail
// as a full disk or a broken medium would.
enum class WriteStep { None, Create, Write, Sync, Rename };

// Creates or replaces `path` with exactly `bytes`. False on any failure; the
// old file is then untouched and no temporary file is left behind. A path
// that names something other than a regular file (a device, a FIFO, a
// directory) is refused. A symbolic link is followed: its target is replaced.
// An existing file keeps its permission bits.
bool replaceFile(const std::filesystem::path& path, std::string_view bytes);

// replaceFile failing at `failAt` (None: not at all). For tests.
bool replaceFileFailingAt(const std::filesystem::path& path, std::string_view bytes, WriteStep failAt);

} // namespace plx71
