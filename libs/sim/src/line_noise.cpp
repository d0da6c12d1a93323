#include "line_noise.hpp"

namespace plx71sim {

LineNoise::LineNoise(double rate, std::uint64_t seed) : rate_(rate), random_(seed)
{
    if (on())
        drawGap();
}

void LineNoise::setRate(double rate)
{
    if (rate == rate_)
        return;
    rate_ = rate;
    if (on())
        drawGap();
}

void LineNoise::drawGap()
{
    if (rate_ >= 1) {
        untilNext_ = 0;
        return;
    }
    // The number of good bits before an error is geometric: one draw per
    // error instead of one per bit.
    std::geometric_distribution<std::uint64_t> gap(rate_);
    untilNext_ = gap(random_);
}

std::size_t LineNoise::apply(std::span<std::uint8_t> bytes)
{
    if (!on())
        return 0;
    std::size_t count = 0;
    constexpr std::uint64_t kBits = 8;
    for (std::uint8_t& byte : bytes) {
        std::uint64_t bit = 0;
        while (untilNext_ < kBits - bit) {
            bit += untilNext_;
            byte = static_cast<std::uint8_t>(byte ^ (1u << bit));
            ++bit;
            ++count;
            drawGap();
        }
        untilNext_ -= kBits - bit;
    }
    flipped_ += count;
    return count;
}

} // namespace plx71sim
