#include "wire_log.hpp"

#include <cerrno>
#include <cstring>

namespace plx71sim {

bool WireLog::open(const std::string& path, std::string& error)
{
    close();
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        error = "cannot open log file " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void WireLog::close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

void WireLog::line(const char* prefix, std::span<const unsigned char> bytes)
{
    if (!file_ || bytes.empty())
        return;
    std::string s = prefix;
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, i ? " %02X" : "%02X", bytes[i]);
        s += hex;
    }
    s += '\n';
    std::fputs(s.c_str(), file_);
    std::fflush(file_); // scripts read it while the box runs
}

void WireLog::text(const std::string& line)
{
    if (!file_)
        return;
    std::fputs((line + '\n').c_str(), file_);
    std::fflush(file_);
}

} // namespace plx71sim
