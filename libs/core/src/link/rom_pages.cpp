#include "plx71/link/writer_commands.hpp"

namespace plx71 {

std::uint8_t voltageCode(std::int32_t tenths)
{
    switch (tenths) {
    case 33: return 1;
    case 50: return 2;
    case 120: return 3;
    default: return 0;
    }
}

std::uint16_t userRomPage(std::uint32_t address)
{
    return static_cast<std::uint16_t>((address & 0xFFFFF) >> 8);
}

std::uint16_t bootRomPage(std::uint32_t address)
{
    return static_cast<std::uint16_t>(((address & 0xFFFFF) + 0x100000) >> 8);
}

bool fileNameFits(std::string_view name)
{
    return name.size() <= kMaxFileNameLength;
}

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
