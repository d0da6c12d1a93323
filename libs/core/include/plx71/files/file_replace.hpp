#pragma once
// Writing a user's file so that a failure never costs the file that was
// there: the new text goes to a temporary file in the same folder, is flushed
// to the disk, and only then renamed over the old one.
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace plx71 {

// The steps of a replacing write, in order; a test can make one of them fail
// as a full disk or a broken medium would.
enum class WriteStep { None, Create, Write, Sync, Rename };

// Creates or replaces `path` with exactly `bytes`. False on any failure; the
// old file is then untouched and no temporary file is left behind. A path
// that names something other than a regular file (a device, a FIFO, a
// directory) is refused. A symbolic link is followed: its target is replaced.
// An existing file keeps its permission bits.
// `why`, when given, says what the system answered on a failure.
bool replaceFile(const std::filesystem::path& path, std::string_view bytes, std::error_code* why = nullptr);

// replaceFile failing at `failAt` (None: not at all). For tests.
bool replaceFileFailingAt(const std::filesystem::path& path, std::string_view bytes, WriteStep failAt,
                          std::error_code* why = nullptr);

struct FileText {
    std::filesystem::path path;
    std::string_view bytes;
};

// Replaces every file or none: each text goes to its temporary file first,
// and the old files are renamed over only when all of them are on the disk.
// On failure `failed` is the index of the file that failed.
bool replaceFiles(std::span<const FileText> files, std::size_t* failed = nullptr, std::error_code* why = nullptr,
                  WriteStep failAt = WriteStep::None);

// Whether `path` can be replaced now: a temporary file can be made beside it
// (the folder is there and writable, the name not too long). Leaves nothing.
bool canReplaceFile(const std::filesystem::path& path, std::error_code* why = nullptr);

// Why a write failed, for the line behind "Cannot write file": "read-only",
// "disk full", "name too long", "not a folder...", else the system's text.
std::string writeFailureReason(const std::error_code& why);

} // namespace plx71
