#include "plx71/files/file_replace.hpp"

#include "files/descriptor_write.hpp"

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <vector>

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

std::error_code lastError()
{
    return {int(::GetLastError()), std::system_category()};
}

// The text in a new temporary file beside `target`, flushed. On failure
// nothing is left behind and `why` says what the system answered.
bool writeTemporary(const fs::path& target, std::string_view bytes, WriteStep failAt, fs::path& temp,
                    std::error_code& why)
{
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = temporaryBeside(target, attempt);
        h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            why = lastError();
            return false;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        why = lastError();
        return false;
    }
    bool ok = failAt != WriteStep::Create && failAt != WriteStep::Write;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        ok = ::WriteFile(h, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = ok && failAt != WriteStep::Sync && ::FlushFileBuffers(h);
    if (!ok)
        why = lastError();
    ok = ::CloseHandle(h) && ok;
    if (!ok)
        ::DeleteFileW(temp.c_str());
    return ok;
}

bool renameOver(const fs::path& temp, const fs::path& target, WriteStep failAt, std::error_code& why)
{
    if (failAt != WriteStep::Rename
        && ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    why = lastError();
    ::DeleteFileW(temp.c_str());
    return false;
}

void removeTemporary(const fs::path& temp)
{
    ::DeleteFileW(temp.c_str());
}

void syncFolder(const fs::path&) {}

#else

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

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

// The text in a new temporary file beside `target`, synced. On failure
// nothing is left behind and `why` says what the system answered.
bool writeTemporary(const fs::path& target, std::string_view bytes, WriteStep failAt, fs::path& temp,
                    std::error_code& why)
{
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = temporaryBeside(target, attempt);
        // 0666 less the umask, as a plain create would give.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            why = lastError();
            return false;
        }
    }
    if (fd < 0) {
        why = lastError();
        return false;
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);

    bool ok = failAt != WriteStep::Create;
    ok = ok && failAt != WriteStep::Write && writeAllTo(fd, bytes);
    ok = ok && failAt != WriteStep::Sync && ::fsync(fd) == 0;
    if (!ok)
        why = failAt != WriteStep::None ? std::make_error_code(std::errc::io_error) : lastError();
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool renameOver(const fs::path& temp, const fs::path& target, WriteStep failAt, std::error_code& why)
{
    if (failAt != WriteStep::Rename && ::rename(temp.c_str(), target.c_str()) == 0)
        return true;
    why = failAt == WriteStep::Rename ? std::make_error_code(std::errc::io_error) : lastError();
    ::unlink(temp.c_str());
    return false;
}

void removeTemporary(const fs::path& temp)
{
    ::unlink(temp.c_str());
}

#endif

fs::path refusedTarget(const fs::path& path, std::error_code& why)
{
    const fs::path target = targetOf(path);
    if (target.empty())
        why = std::make_error_code(std::errc::not_a_directory); // not a regular file
    return target;
}

} // namespace

bool replaceFileFailingAt(const fs::path& path, std::string_view bytes, WriteStep failAt, std::error_code* why)
{
    const FileText one{path, bytes};
    return replaceFiles(std::span(&one, 1), nullptr, why, failAt);
}

bool replaceFile(const fs::path& path, std::string_view bytes, std::error_code* why)
{
    return replaceFileFailingAt(path, bytes, WriteStep::None, why);
}

bool replaceFiles(std::span<const FileText> files, std::size_t* failed, std::error_code* why, WriteStep failAt)
{
    std::error_code ec;
    std::vector<fs::path> targets;
    std::vector<fs::path> temps;
    const auto fail = [&](std::size_t index) {
        for (const fs::path& t : temps)
            removeTemporary(t);
        if (failed)
            *failed = index;
        if (why)
            *why = ec;
        return false;
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        targets.push_back(refusedTarget(files[i].path, ec));
        fs::path temp;
        if (targets.back().empty() || !writeTemporary(targets.back(), files[i].bytes, failAt, temp, ec))
            return fail(i);
        temps.push_back(temp);
    }
    // Every text is on the disk: only now is any old file replaced.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!renameOver(temps[i], targets[i], failAt, ec)) {
            temps.erase(temps.begin(), temps.begin() + std::ptrdiff_t(i + 1));
            return fail(i);
        }
        syncFolder(targets[i].parent_path());
    }
    return true;
}

bool canReplaceFile(const fs::path& path, std::error_code* why)
{
    std::error_code ec;
    const fs::path target = refusedTarget(path, ec);
    fs::path temp;
    if (!target.empty() && writeTemporary(target, {}, WriteStep::None, temp, ec)) {
        removeTemporary(temp);
        return true;
    }
    if (why)
        *why = ec;
    return false;
}

std::string writeFailureReason(const std::error_code& why)
{
    if (why == std::errc::read_only_file_system || why == std::errc::permission_denied)
        return "read-only: " + why.message();
    if (why == std::errc::no_space_on_device)
        return "disk full";
    if (why == std::errc::filename_too_long)
        return "name too long";
    if (why == std::errc::not_a_directory || why == std::errc::no_such_file_or_directory
        || why == std::errc::is_a_directory)
        return "not a folder, or not a file: the path cannot be written";
    return why ? why.message() : std::string("cannot be written");
}

} // namespace plx71
