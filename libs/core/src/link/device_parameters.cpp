#include "link/device_parameters.hpp"

namespace plx71 {

std::uint8_t voltageCode(std::int32_t tenths)
{
    switch (tenths) {
    case 33:
        return 1;
    case 50:
        return 2;
    case 120:
        return 3;
    default:
        return 0;
    }
}

} // namespace plx71
