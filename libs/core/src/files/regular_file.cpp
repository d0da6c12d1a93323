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

// A regular file opened for reading; `readSome` gives the bytes read, 0 at
// the end, -1 on an error. `sizeHint` is what the file held when opened.
class OpenedFile {
public:
    FileStatus open(const std::filesystem::path& path);
    long readSome(char* buf, std::size_t n);
    std::size_t sizeHint() const { return sizeHint_; }
    ~OpenedFile();

private:
#ifdef _WIN32
    std::FILE* file_ = nullptr;
#else
    int fd_ = -1;
#endif
    std::size_t sizeHint_ = 0;
};

#ifdef _WIN32

FileStatus OpenedFile::open(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto st = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(st))
        return FileStatus::NotFound;
    if (!std::filesystem::is_regular_file(st))
        return FileStatus::NotRegular;
    file_ = _wfopen(path.c_str(), L"rb");
    if (!file_)
        return FileStatus::AccessDenied;
    const auto size = std::filesystem::file_size(path, ec);
    sizeHint_ = ec ? 0 : static_cast<std::size_t>(size);
    return FileStatus::Ok;
}

long OpenedFile::readSome(char* buf, std::size_t n)
{
    const std::size_t got = std::fread(buf, 1, n, file_);
    return got == 0 && std::ferror(file_) ? -1 : static_cast<long>(got);
}

OpenedFile::~OpenedFile()
{
    if (file_)
        std::fclose(file_);
}

#else

FileStatus OpenedFile::open(const std::filesystem::path& path)
{
    // O_NONBLOCK: opening a FIFO for reading returns at once instead of
    // waiting for a writer; a terminal does not wait for its carrier.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        return errno == EACCES || errno == EPERM ? FileStatus::AccessDenied
            : errno == ENXIO || errno == ENODEV ? FileStatus::NotRegular
                                                : FileStatus::NotFound;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
        return FileStatus::NotRegular;
    sizeHint_ = static_cast<std::size_t>(st.st_size);
    // A regular file: plain blocking reads from here on.
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    return FileStatus::Ok;
}

long OpenedFile::readSome(char* buf, std::size_t n)
{
    for (;;) {
        const ssize_t got = ::read(fd_, buf, n);
        if (got < 0 && errno == EINTR)
            continue;
        return static_cast<long>(got);
    }
}

OpenedFile::~OpenedFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

#endif

} // namespace

FileStatus streamRegularFile(const std::filesystem::path& path, const ChunkSink& onChunk)
{
    OpenedFile file;
    if (const FileStatus status = file.open(path); status != FileStatus::Ok)
        return status;
    std::vector<char> chunk(kChunk);
    for (;;) {
        const long got = file.readSome(chunk.data(), chunk.size());
        if (got < 0)
            return FileStatus::ReadError;
        if (got == 0 || !onChunk(std::span<const char>(chunk.data(), static_cast<std::size_t>(got))))
            return FileStatus::Ok;
    }
}

// Reads straight into the result, sized once from what the file holds (a
// file that grows meanwhile still reads whole, up to the limit). Takes up to
// `limit` + 1 bytes, so that `truncated` can tell a file of exactly `limit`
// bytes from a longer one.
FileRead readRegularFile(const std::filesystem::path& path, std::size_t limit)
{
    FileRead result;
    OpenedFile file;
    result.status = file.open(path);
    if (result.status != FileStatus::Ok)
        return result;
    std::string& bytes = result.bytes;
    const std::size_t cap = limit + 1;
    bytes.resize(std::min(file.sizeHint() + 1, cap));
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (have == cap)
                break;
            bytes.resize(std::min(std::max(2 * have, kChunk), cap));
        }
        const long got = file.readSome(bytes.data() + have, bytes.size() - have);
        if (got < 0) {
            result.status = FileStatus::ReadError;
            bytes.clear();
            return result;
        }
        if (got == 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(std::min(have, limit));
    result.truncated = have > limit;
    return result;
}

} // namespace plx71
