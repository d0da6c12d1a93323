#include "plx71/files/regular_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace plx71 {

namespace {

constexpr std::size_t kChunk = 1 << 16;

// Hands every chunk that `readSome` (bytes read, 0 at the end, -1 on an
// error) gives to `onChunk` until the end, an error, or onChunk says stop.
template <typename ReadSome>
FileStatus streamChunks(const ChunkSink& onChunk, ReadSome readSome)
{
    std::vector<char> chunk(kChunk);
    for (;;) {
        const long got = readSome(chunk.data(), chunk.size());
        if (got < 0)
            return FileStatus::ReadError;
        if (got == 0 || !onChunk(std::span<const char>(chunk.data(), static_cast<std::size_t>(got))))
            return FileStatus::Ok;
    }
}

} // namespace

#ifdef _WIN32

FileStatus streamRegularFile(const std::filesystem::path& path, const ChunkSink& onChunk)
{
    std::error_code ec;
    const auto st = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(st))
        return FileStatus::NotFound;
    if (!std::filesystem::is_regular_file(st))
        return FileStatus::NotRegular;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return FileStatus::AccessDenied;
    const FileStatus status = streamChunks(onChunk, [file](char* buf, std::size_t n) -> long {
        const std::size_t got = std::fread(buf, 1, n, file);
        return got == 0 && std::ferror(file) ? -1 : static_cast<long>(got);
    });
    std::fclose(file);
    return status;
}

#else

FileStatus streamRegularFile(const std::filesystem::path& path, const ChunkSink& onChunk)
{
    // O_NONBLOCK: opening a FIFO for reading returns at once instead of
    // waiting for a writer; a terminal does not wait for its carrier.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == EACCES || errno == EPERM ? FileStatus::AccessDenied
            : errno == ENXIO || errno == ENODEV  ? FileStatus::NotRegular
                                                 : FileStatus::NotFound;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileStatus::NotRegular;
    }
    // A regular file: plain blocking reads from here on.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    const FileStatus status = streamChunks(onChunk, [fd](char* buf, std::size_t n) -> long {
        for (;;) {
            const ssize_t got = ::read(fd, buf, n);
            if (got < 0 && errno == EINTR)
                continue;
            return static_cast<long>(got);
        }
    });
    ::close(fd);
    return status;
}

#endif

// Takes up to `limit` + 1 bytes, so that `truncated` can tell a file of
// exactly `limit` bytes from a longer one.
FileRead readRegularFile(const std::filesystem::path& path, std::size_t limit)
{
    FileRead result;
    result.status = streamRegularFile(path, [&](std::span<const char> chunk) {
        result.bytes.append(chunk.data(), std::min(chunk.size(), limit + 1 - result.bytes.size()));
        return result.bytes.size() <= limit;
    });
    if (result.status != FileStatus::Ok) {
        result.bytes.clear();
    } else if (result.bytes.size() > limit) {
        result.bytes.resize(limit);
        result.truncated = true;
    }
    return result;
}

} // namespace plx71
