#pragma once
// Bit errors on one direction of the line: each data bit is inverted with
// probability `rate`, independently. The gaps between errors are drawn from
// a seeded generator, so the same byte stream gets the same errors again.
#include <cstdint>
#include <random>
#include <span>

namespace plx71sim {

class LineNoise {
public:
    LineNoise(double rate, std::uint64_t seed);

    bool on() const { return rate_ > 0; }
    // A new bit error rate from the next bit on (the line changed its rate).
    void setRate(double rate);
    // Inverts the bits whose turn has come. Returns how many it inverted.
    std::size_t apply(std::span<std::uint8_t> bytes);
    std::uint64_t flippedBits() const { return flipped_; }

private:
    void drawGap();

    double rate_;
    std::mt19937_64 random_;
    std::uint64_t untilNext_ = 0; // good bits before the next inverted one
    std::uint64_t flipped_ = 0;
};

} // namespace plx71sim
