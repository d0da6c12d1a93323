#include "link/rom_pages.hpp"

namespace plx71 {

std::uint16_t userRomPage(std::uint32_t address)
{
    return static_cast<std::uint16_t>((address & 0xFFFFF) >> 8);
}

std::uint16_t bootRomPage(std::uint32_t address)
{
    return static_cast<std::uint16_t>(((address & 0xFFFFF) + 0x100000) >> 8);
}

} // namespace plx71
