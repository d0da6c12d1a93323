#include "port_diagnosis.hpp"

#include "plx71/port/serial_port.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace plx71::ops_detail {

namespace fs = std::filesystem;

#ifdef _WIN32

long portHolderPid(const std::string&)
{
    return 0;
}

PortDiagnosis diagnosePort(const std::string&)
{
    // Windows names no reason we could trust without opening again: a port
    // that cannot be opened is taken for one held by another program.
    PortDiagnosis d;
    d.kind = OutcomeClass::PortBusy;
    d.problem.cause = "busy: another program holds the port, or it does not exist";
    return d;
}

#else

namespace {

std::string groupName(gid_t gid)
{
    if (const group* g = ::getgrgid(gid))
        return g->gr_name;
    return std::to_string(gid);
}

// The process holding a lock on the device node, from /proc/locks ("1:
// FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF", major and
// minor in hex): every program that opens ports the way we do holds one.
long lockHolderPid(const struct stat& st)
{
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        if (!(fields >> number >> kind) || kind == "->")
            continue;
        if (!(fields >> mode >> access >> pid >> where))
            continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3)
            continue;
        if (inode == st.st_ino && major == ::major(st.st_dev) && minor == ::minor(st.st_dev) && pid != long(::getpid()))
            return pid;
    }
    return 0;
}

// A process with the device open, from its /proc/<pid>/fd links.
long openerPid(const std::string& devicePath)
{
    std::error_code ec;
    const fs::path device = fs::canonical(devicePath, ec);
    if (ec)
        return 0;
    const long self = long(::getpid());
    for (const auto& process : fs::directory_iterator("/proc", fs::directory_options::skip_permission_denied, ec)) {
        const std::string name = process.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long pid = std::stol(name);
        if (pid == self)
            continue;
        std::error_code fdError;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd.path(), linkError) == device && !linkError)
                return pid;
        }
    }
    return 0;
}

// A character device that carries no serial line: the memory devices
// (/dev/null, /dev/zero), the controlling terminal and the console, or any
// device that is no terminal at all.
bool isNotSerialPort(const std::string& devicePath, const struct stat& st)
{
    const unsigned m = ::major(st.st_rdev), n = ::minor(st.st_rdev);
    if (m == 1 || (m == 5 && n <= 2))
        return true;
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool terminal = ::isatty(fd) != 0;
    ::close(fd);
    return !terminal;
}

bool isSessionTerminalPath(const std::string& devicePath)
{
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool session = isSessionTerminal(fd);
    ::close(fd);
    return session;
}

} // namespace

std::string permissionAdvice(const std::string& devicePath, const DeviceOwnership& o, std::string& groupNamed)
{
    const bool groupMayUse = (o.mode & S_IRGRP) != 0 && (o.mode & S_IWGRP) != 0;
    if (groupMayUse && o.gid != 0) {
        groupNamed = o.group;
        return "permission denied: " + devicePath + " belongs to group '" + o.group
            + "'; add yourself with: sudo usermod -aG " + o.group + " $USER (then log in again)";
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", o.mode & 07777u);
    return "permission denied: " + devicePath + " is owned by " + o.owner + ":" + o.group + " with mode " + mode
        + "; install the udev rule we ship (share/doc/plx71/examples/udev/60-plx71-serial.rules) "
          "so the port is given to a group you are in";
}

long portHolderPid(const std::string& devicePath)
{
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) != 0)
        return 0;
    if (const long pid = lockHolderPid(st))
        return pid;
    return openerPid(devicePath);
}

PortDiagnosis diagnosePort(const std::string& devicePath)
{
    PortDiagnosis d;
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) != 0) {
        d.kind = OutcomeClass::PortNotFound;
        d.problem.cause = "not found: no device " + devicePath;
        return d;
    }
    if (::access(devicePath.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        d.kind = OutcomeClass::PortPermissionDenied;
        const passwd* owner = ::getpwuid(st.st_uid);
        const DeviceOwnership o{owner ? owner->pw_name : std::to_string(st.st_uid), groupName(st.st_gid),
                                unsigned(st.st_gid), unsigned(st.st_mode)};
        d.problem.cause = permissionAdvice(devicePath, o, d.problem.group);
        return d;
    }
    if (!S_ISCHR(st.st_mode) || isNotSerialPort(devicePath, st)) {
        d.kind = OutcomeClass::PortNotFound;
        d.problem.cause = "not found: " + devicePath + " is not a serial port";
        return d;
    }
    if (isSessionTerminalPath(devicePath)) {
        d.kind = OutcomeClass::PortBusy;
        d.problem.cause = "busy: " + devicePath + " is the terminal of a session or the system console";
        return d;
    }
    d.kind = OutcomeClass::PortBusy;
    d.problem.holderPid = portHolderPid(devicePath);
    d.problem.cause = d.problem.holderPid != 0 ? "busy: held by process " + std::to_string(d.problem.holderPid)
                                               : "busy: held by another program";
    return d;
}

#endif

} // namespace plx71::ops_detail
