#include "plx71/files/regular_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace plx71 {

namespace {

constexpr std::size_t kChunk = 1 << 16;

// Appends up to `limit` + 1 bytes through `readSome` (bytes read, 0 at the
// end, -1 on an error), so that `truncated` can tell a file of exactly
// `limit` bytes from a longer one.
template <typename ReadSome>
void readUpTo(FileRead& result, std::size_t limit, std::size_t sizeHint, ReadSome readSome)
{
    result.bytes.reserve(std::min(sizeHint, limit) + 1);
    char chunk[kChunk];
    while (result.bytes.size() <= limit) {
        const std::size_t want = std::min(sizeof chunk, limit + 1 - result.bytes.size());
        const long got = readSome(chunk, want);
        if (got < 0) {
            result.status = FileStatus::ReadError;
            result.bytes.clear();
            return;
        }
        if (got == 0)
            break;
        result.bytes.append(chunk, static_cast<std::size_t>(got));
    }
    if (result.bytes.size() > limit) {
        result.bytes.resize(limit);
        result.truncated = true;
    }
}

} // namespace

#ifdef _WIN32

FileRead readRegularFile(const std::filesystem::path& path, std::size_t limit)
{
    FileRead result;
    std::error_code ec;
    const auto st = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(st)) {
        result.status = FileStatus::NotFound;
        return result;
    }
    if (!std::filesystem::is_regular_file(st)) {
        result.status = FileStatus::NotRegular;
        return result;
    }
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) {
        result.status = FileStatus::AccessDenied;
        return result;
    }
    const auto size = std::filesystem::file_size(path, ec);
    readUpTo(result, limit, ec ? 0 : static_cast<std::size_t>(size), [file](char* buf, std::size_t n) -> long {
        const std::size_t got = std::fread(buf, 1, n, file);
        return got == 0 && std::ferror(file) ? -1 : static_cast<long>(got);
    });
    std::fclose(file);
    return result;
}

#else

FileRead readRegularFile(const std::filesystem::path& path, std::size_t limit)
{
    FileRead result;
    // O_NONBLOCK: opening a FIFO for reading returns at once instead of
    // waiting for a writer; a terminal does not wait for its carrier.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == EACCES || errno == EPERM ? FileStatus::AccessDenied
            : errno == ENXIO || errno == ENODEV           ? FileStatus::NotRegular
                                                          : FileStatus::NotFound;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = FileStatus::NotRegular;
        return result;
    }
    // A regular file: plain blocking reads from here on.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    readUpTo(result, limit, static_cast<std::size_t>(st.st_size), [fd](char* buf, std::size_t n) -> long {
        for (;;) {
            const ssize_t got = ::read(fd, buf, n);
            if (got < 0 && errno == EINTR)
                continue;
            return static_cast<long>(got);
        }
    });
    ::close(fd);
    return result;
}

#endif

} // namespace plx71
