#include "link/frame.hpp"

namespace plx71 {

namespace {

// The 8-bit sum of the N body bytes; the caller has checked they are there.
std::uint8_t bodySum(std::span<const std::uint8_t> frame, std::uint16_t n)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum = static_cast<std::uint8_t>(sum + frame[2 + i]);
    return sum;
}

} // namespace

std::uint16_t frameBodyLength(std::span<const std::uint8_t> frame)
{
    if (frame.size() < 2)
        return 0;
    return static_cast<std::uint16_t>(frame[0] | (frame[1] << 8));
}

void setFrameBodyLength(std::span<std::uint8_t> frame, std::uint16_t n)
{
    if (frame.size() < 2)
        return;
    frame[0] = static_cast<std::uint8_t>(n & 0xFF);
    frame[1] = static_cast<std::uint8_t>(n >> 8);
}

std::size_t frameWireSize(std::span<const std::uint8_t> frame)
{
    return std::size_t{frameBodyLength(frame)} + 3;
}

bool putChecksum(std::span<std::uint8_t> frame)
{
    std::uint16_t n = frameBodyLength(frame);
    if (frame.size() < std::size_t{n} + 3)
        return false;
    frame[2 + n] = bodySum(frame, n);
    return true;
}

bool checkChecksum(std::span<const std::uint8_t> frame)
{
    std::uint16_t n = frameBodyLength(frame);
    if (frame.size() < std::size_t{n} + 3)
        return false;
    return frame[2 + n] == bodySum(frame, n);
}

} // namespace plx71
