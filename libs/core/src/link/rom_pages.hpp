#pragma once
// Page numbers of CMD_WRITE_PAGE / CMD_READ_PAGE. Bit 12 selects the Boot ROM;
// 24-bit addresses are reduced to 20 bits first.
#include <cstdint>

namespace plx71 {

std::uint16_t userRomPage(std::uint32_t address);
std::uint16_t bootRomPage(std::uint32_t address);

} // namespace plx71
