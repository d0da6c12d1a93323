#include "plx71/production_record/record_file.hpp"

#include "files/descriptor_write.hpp"
#include "plx71/production_record/job_record.hpp"
#include "plx71/text/utf8_path.hpp"

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace plx71 {

#ifdef _WIN32

std::string hostName()
{
    const char* name = std::getenv("COMPUTERNAME");
    return name ? name : "";
}

bool appendProductionRecordLine(const std::string& path, const std::string& line)
{
    // Windows appends each write of an append-mode stream at the end, in
    // one piece for a line of this size.
    std::FILE* f = ::_wfopen(pathFromUtf8(path).c_str(), L"ab");
    if (!f)
        return false;
    const bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    return std::fclose(f) == 0 && written;
}

bool productionRecordCanBeAppended(const std::string& path)
{
    std::FILE* f = ::_wfopen(pathFromUtf8(path).c_str(), L"ab");
    return f && std::fclose(f) == 0;
}

#else

bool productionRecordCanBeAppended(const std::string& path)
{
    // O_NONBLOCK: a FIFO with no reader fails at once instead of waiting.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

bool appendProductionRecordLine(const std::string& path, const std::string& line)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // O_APPEND puts each write at the end; the lock keeps a line whole even
    // when a write comes back short, and keeps out writers on other hosts'
    // views of the same file as far as the file system honours flock.
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return false;
        }
    }
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    bool ok = writeAllTo(fd, line); // a short write is finished under the same lock
    if (!ok && sized)
        (void)::ftruncate(fd, before.st_size); // no torn line stays behind
    ok = ::fsync(fd) == 0 && ok;
    ::flock(fd, LOCK_UN);
    return ::close(fd) == 0 && ok;
}

#endif

} // namespace plx71
