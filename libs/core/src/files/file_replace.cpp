#include "files/file_replace.hpp"

#include "files/descriptor_write.hpp"

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <algorithm>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace plx71 {

namespace {

namespace fs = std::filesystem;

// The file that is really replaced: a symbolic link stays a link to the new
// text. Empty when the path names something that must not be replaced.
fs::path targetOf(const fs::path& path)
{
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (!fs::exists(st))
        return path.has_filename() ? path : fs::path();
    if (!fs::is_regular_file(st))
        return {};
    fs::path real = fs::canonical(path, ec);
    return ec ? path : real;
}

// A name no one else uses, in the target's folder (a rename within one
// folder is atomic; across file systems it would not even work).
fs::path temporaryBeside(const fs::path& target, int attempt)
{
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
#ifdef _WIN32
    const unsigned long pid = ::GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(::getpid());
#endif
    fs::path name(".");
    name += target.filename(); // kept as a path: no conversion of the name
    // Creation is exclusive, so a clash only costs another attempt.
    name += ".tmp-" + std::to_string(pid) + "-" + std::to_string((tick + attempt) & 0xFFFFFFFF);
    return target.parent_path() / name;
}

#ifdef _WIN32

bool writeAndReplace(const fs::path& target, std::string_view bytes, WriteStep failAt)
{
    fs::path temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = temporaryBeside(target, attempt);
        h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bool ok = failAt != WriteStep::Create && failAt != WriteStep::Write;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        ok = ::WriteFile(h, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = ok && failAt != WriteStep::Sync && ::FlushFileBuffers(h);
    ok = ::CloseHandle(h) && ok;
    ok = ok && failAt != WriteStep::Rename
        && ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        ::DeleteFileW(temp.c_str());
    return ok;
}

#else

// Makes the rename itself last through a power cut; a folder that cannot be
// synced (some file systems) costs nothing but that.
void syncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool writeAndReplace(const fs::path& target, std::string_view bytes, WriteStep failAt)
{
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = temporaryBeside(target, attempt);
        // 0666 less the umask, as a plain create would give.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);

    bool ok = failAt != WriteStep::Create;
    ok = ok && failAt != WriteStep::Write && writeAllTo(fd, bytes);
    ok = ok && failAt != WriteStep::Sync && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && failAt != WriteStep::Rename && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(target.parent_path());
    return true;
}

#endif

} // namespace

bool replaceFileFailingAt(const fs::path& path, std::string_view bytes, WriteStep failAt)
{
    const fs::path target = targetOf(path);
    if (target.empty())
        return false;
    return writeAndReplace(target, bytes, failAt);
}

bool replaceFile(const fs::path& path, std::string_view bytes)
{
    return replaceFileFailingAt(path, bytes, WriteStep::None);
}

} // namespace plx71
