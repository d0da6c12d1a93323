#include "link/firmware_version.hpp"

#include <cstddef>

namespace plx71 {

bool firmwareVersionMatches(std::string_view firmwareVersion, std::string_view controlProgramVersion)
{
    constexpr std::size_t kCompared = 4;
    if (firmwareVersion.size() < kCompared || controlProgramVersion.size() < kCompared)
        return false;
    for (std::size_t i = 0; i < kCompared; ++i) {
        // A zero inside the text ends it, like the terminator of a C string.
        if (firmwareVersion[i] == '\0' || firmwareVersion[i] != controlProgramVersion[i])
            return false;
    }
    return true;
}

} // namespace plx71
