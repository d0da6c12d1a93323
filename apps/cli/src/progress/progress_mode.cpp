#include "progress/progress_mode.hpp"

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

} // namespace plx71::cli
