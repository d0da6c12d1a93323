#include "line_noise.hpp"

namespace plx71sim {

LineNoise::LineNoise(double rate, std::uint64_t seed)
    : rate_(rate), random_(seed), parityRandom_(seed ^ 0x2545F4914F6CDD1Dull)
{
    if (on()) {
        drawGap();
        drawParityGap();
    }
}

void LineNoise::setRate(double rate)
{
    if (rate == rate_)
        return;
    rate_ = rate;
    if (on()) {
        drawGap();
        drawParityGap();
    }
}

// The number of good bits before an error is geometric: one draw per error
// instead of one per bit.
void LineNoise::drawGap()
{
    untilNext_ = rate_ >= 1 ? 0 : std::geometric_distribution<std::uint64_t>(rate_)(random_);
}

void LineNoise::drawParityGap()
{
    untilNextParity_ = rate_ >= 1 ? 0 : std::geometric_distribution<std::uint64_t>(rate_)(parityRandom_);
}

std::size_t LineNoise::apply(std::span<std::uint8_t> bytes, std::vector<std::size_t>* parityErrors)
{
    if (!on())
        return 0;
    std::size_t count = 0;
    constexpr std::uint64_t kBits = 8;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint8_t& byte = bytes[i];
        std::uint64_t bit = 0;
        unsigned inCharacter = 0;
        while (untilNext_ < kBits - bit) {
            bit += untilNext_;
            byte = static_cast<std::uint8_t>(byte ^ (1u << bit));
            ++bit;
            ++inCharacter;
            drawGap();
        }
        untilNext_ -= kBits - bit;
        if (untilNextParity_ == 0) {
            ++inCharacter;
            drawParityGap();
        } else {
            --untilNextParity_;
        }
        count += inCharacter;
        if (parityErrors && inCharacter % 2 == 1)
            parityErrors->push_back(i);
    }
    flipped_ += count;
    return count;
}

} // namespace plx71sim
