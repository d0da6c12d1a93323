#pragma once
// The default device type M30624FGFP, as the shipped device table describes
// it: User ROM 0xC0000-0xFFFFF, Boot ROM 0xFE000-0xFFFFF, blocks 0-6, 5.0 V.
#include "plx71/devices/device_record.hpp"

namespace plx71::test {

// Its line in the device table.
inline constexpr const char* kDefaultDeviceLine = "M30624FGFP,FE000,2000,C0000,40000,6,5.0V,5.0V";

// The record that line gives.
inline DeviceRecord defaultDevice()
{
    DeviceRecord d;
    d.name = "M30624FGFP";
    d.userRomStart = 0xC0000;
    d.userRomEnd = 0xFFFFF;
    d.userRomSize = 0x40000;
    d.lastBlock = 6;
    d.allBlocksMask = 0x7F;
    d.bootRomStart = 0xFE000;
    d.bootRomEnd = 0xFFFFF;
    d.bootRomSize = 0x2000;
    d.vcc = 50;
    d.vpp = 50;
    return d;
}

} // namespace plx71::test
