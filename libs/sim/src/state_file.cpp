#include "plx71sim/state_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace plx71sim {
namespace {

constexpr const char* kHeader = "plx71sim-state 1";

std::string hex(const void* data, std::size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    const auto* p = static_cast<const unsigned char*>(data);
    std::string s;
    s.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(digits[p[i] >> 4]);
        s.push_back(digits[p[i] & 15]);
    }
    return s;
}

std::string hex(const std::string& s)
{
    return hex(s.data(), s.size());
}

bool unhex(const std::string& text, Bytes& out)
{
    if (text.size() % 2)
        return false;
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int v = 0;
        for (int k = 0; k < 2; ++k) {
            const char c = text[i + k];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else
                return false;
            v = v * 16 + d;
        }
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

template <std::size_t N>
bool fixed(const Bytes& b, std::array<std::uint8_t, N>& out)
{
    if (b.size() != N)
        return false;
    std::copy(b.begin(), b.end(), out.begin());
    return true;
}

bool byte(const Bytes& b, std::uint8_t& out)
{
    if (b.size() != 1)
        return false;
    out = b[0];
    return true;
}

bool text(const Bytes& b, std::string& out)
{
    if (b.size() > 255)
        return false;
    out.assign(b.begin(), b.end());
    return true;
}

// "page 0C10 <512 hex digits>"
bool pageLine(std::istringstream& in, std::map<std::uint16_t, Page>& pages, std::uint16_t first, std::uint16_t last)
{
    std::string num, data;
    if (!(in >> num >> data) || num.size() != 4)
        return false;
    Bytes n, d;
    if (!unhex(num, n) || !unhex(data, d))
        return false;
    const std::uint16_t page = static_cast<std::uint16_t>((n[0] << 8) | n[1]);
    Page p;
    if (page < first || page > last || !fixed(d, p))
        return false;
    pages[page] = p;
    return true;
}

// Every page and the firmware at some 520 characters a line: 4.3 MB.
constexpr long kMaxStateBytes = 8L << 20;

// The whole state file, if it is a regular file of at most kMaxStateBytes:
// /dev/zero would never end a line, and a FIFO without a writer would hold
// a plain open for ever.
bool readStateText(const std::string& path, std::string& content, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open state file " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok)
        error = "state file " + path + " is not a regular file";
    else if (st.st_size > kMaxStateBytes) {
        ok = false;
        error = "state file " + path + " is larger than a writer box state can be";
    }
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || content.size() + std::size_t(n) > std::size_t(kMaxStateBytes)) {
            ok = false;
            error = "cannot read state file " + path;
            break;
        }
        content.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return ok;
}

} // namespace

bool loadState(const std::string& path, StoredJob& job, std::string& error)
{
    std::string content;
    if (!readStateText(path, content, error))
        return false;
    std::istringstream f(content);
    StoredJob j;
    std::string line;
    if (!std::getline(f, line) || line != kHeader) {
        error = "state file " + path + " is not a writer box state file";
        return false;
    }
    bool ended = false;
    int lineNo = 1;
    while (std::getline(f, line)) {
        ++lineNo;
        std::istringstream in(line);
        std::string key, value;
        in >> key;
        bool ok = true;
        if (key == "page") {
            ok = pageLine(in, j.pages, 0, kPageCount - 1);
        } else if (key == "firmware") {
            ok = pageLine(in, j.firmware, kFirmwareFirstPage, kFirmwareLastPage);
        } else if (key == "end") {
            ended = true;
            if (std::getline(f, line))
                ok = false; // nothing may follow
        } else {
            in >> value;
            Bytes b;
            auto& s = j.settings;
            ok = unhex(value, b);
            if (!ok) {
            } else if (key == "firmware-version") {
                ok = b.size() == kVersionSize;
                j.firmwareVersion.assign(b.begin(), b.end());
            } else if (key == "device")
                ok = fixed(b, s.device);
            else if (key == "name")
                ok = text(b, s.deviceName);
            else if (key == "update")
                ok = byte(b, s.updateEnable);
            else if (key == "user-file")
                ok = text(b, s.userFileName);
            else if (key == "boot-file")
                ok = text(b, s.bootFileName);
            else if (key == "check-id")
                ok = fixed(b, s.checkId);
            else if (key == "target-rate")
                ok = byte(b, s.targetRateCode);
            else if (key == "lock-bits")
                ok = byte(b, s.lockBits);
            else if (key == "operation-blocks")
                ok = byte(b, s.operationBlocks);
            else if (key == "complete") { // absent in older files: a whole job
                std::uint8_t v = 1;
                ok = byte(b, v) && v <= 1;
                j.complete = v == 1;
            } else
                ok = false;
        }
        if (!ok) {
            error = "state file " + path + ": bad line " + std::to_string(lineNo + (ended ? 1 : 0));
            return false;
        }
        if (ended)
            break;
    }
    if (!ended || j.firmwareVersion.size() != kVersionSize) {
        error = "state file " + path + " is incomplete";
        return false;
    }
    job = std::move(j);
    return true;
}

bool saveState(const std::string& path, const StoredJob& job, std::string& error)
{
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) {
            error = "cannot write state file " + tmp + ": " + std::strerror(errno);
            return false;
        }
        const auto& s = job.settings;
        f << kHeader << '\n';
        f << "firmware-version " << hex(versionField(job.firmwareVersion)) << '\n';
        f << "device " << hex(s.device.data(), s.device.size()) << '\n';
        f << "name " << hex(s.deviceName) << '\n';
        f << "update " << hex(&s.updateEnable, 1) << '\n';
        f << "user-file " << hex(s.userFileName) << '\n';
        f << "boot-file " << hex(s.bootFileName) << '\n';
        f << "check-id " << hex(s.checkId.data(), s.checkId.size()) << '\n';
        f << "target-rate " << hex(&s.targetRateCode, 1) << '\n';
        f << "lock-bits " << hex(&s.lockBits, 1) << '\n';
        f << "operation-blocks " << hex(&s.operationBlocks, 1) << '\n';
        const std::uint8_t complete = job.complete ? 1 : 0;
        f << "complete " << hex(&complete, 1) << '\n';
        auto pages = [&f](const char* key, const std::map<std::uint16_t, Page>& m) {
            for (const auto& [n, p] : m) {
                const std::uint8_t num[2] = {static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n & 0xFF)};
                f << key << ' ' << hex(num, 2) << ' ' << hex(p.data(), p.size()) << '\n';
            }
        };
        pages("page", job.pages);
        pages("firmware", job.firmware);
        f << "end\n";
        f.flush();
        if (!f) {
            error = "cannot write state file " + tmp;
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        error = "cannot replace state file " + path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace plx71sim
