#pragma once
// Reading a user's file: only a regular file is read, and nothing a name can
// point at (a FIFO, a terminal, a device) can make the program wait for ever.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace plx71 {

enum class FileStatus {
    Ok,
    NotFound,     // no such file
    NotRegular,   // a directory, FIFO, device or socket
    AccessDenied, // there, but not ours to read
    ReadError,    // opened, but a read failed
};

struct FileRead {
    FileStatus status = FileStatus::Ok;
    std::string bytes;      // at most the limit asked for
    bool truncated = false; // the file holds more than the limit
};

// Opens without waiting (a FIFO with no writer would block a plain open),
// refuses anything that is not a regular file, then reads at most `limit`
// bytes. Memory grows with what the file holds, never with the limit.
FileRead readRegularFile(const std::filesystem::path& path, std::size_t limit);

// Receives the bytes of a file in order; returns false to stop reading.
using ChunkSink = std::function<bool(std::span<const char>)>;
// The same opening rules, for files read as a stream (hashing): every chunk
// goes to `onChunk`. Ok when the end was reached or onChunk stopped.
FileStatus streamRegularFile(const std::filesystem::path& path, const ChunkSink& onChunk);

} // namespace plx71
