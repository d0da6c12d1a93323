#include "progress/progress_mode.hpp"

#include <cstdlib>
#ifndef _WIN32
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#include <cstdio>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace plx71::cli {

std::optional<ProgressMode> progressModeFromName(std::string_view name)
{
    if (name == "auto")
        return ProgressMode::Auto;
    if (name == "bar")
        return ProgressMode::Bar;
    if (name == "lines")
        return ProgressMode::Lines;
    if (name == "none")
        return ProgressMode::None;
    return std::nullopt;
}

ProgressMode effectiveProgressMode(ProgressMode mode, bool terminal)
{
    if (mode != ProgressMode::Auto)
        return mode;
    return terminal ? ProgressMode::Bar : ProgressMode::Lines;
}

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

int terminalColumns()
{
#ifndef _WIN32
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
#endif
    if (const char* columns = std::getenv("COLUMNS")) {
        const int n = std::atoi(columns);
        if (n > 0)
            return n;
    }
    return 80;
}

} // namespace plx71::cli
