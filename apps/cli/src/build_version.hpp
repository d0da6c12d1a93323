#pragma once
// The version plx71 reports: the project version and, when built from a
// checkout, the git commit.
#include "plx71_version.hpp"

#include <string>

namespace plx71::cli {

// "1.30+e3ae3b927ca1", or "1.30" outside a checkout: for records.
inline std::string programVersion()
{
    return PLX71_PROGRAM_VERSION;
}

// "plx71 1.30 (git e3ae3b927ca1)": for --version.
inline std::string versionLine()
{
    std::string v = std::string("plx71 ") + PLX71_PROJECT_VERSION;
    if (*PLX71_GIT_COMMIT)
        v += std::string(" (git ") + PLX71_GIT_COMMIT + ")";
    return v;
}

} // namespace plx71::cli
