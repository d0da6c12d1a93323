#pragma once
// The link bit rates a front end may choose, by hostBaudIndex. Every
// exchange with a box starts and ends at the first, 9600 bit/s.
#include <array>

namespace plx71 {

inline constexpr std::array<int, 5> hostBaudRates{9600, 19200, 38400, 57600, 115200};

} // namespace plx71
