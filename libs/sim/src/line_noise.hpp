#pragma once
// Bit errors on one direction of the line: each bit of a character, the 8
// data bits and the odd parity bit, is inverted with probability `rate`,
// independently. A character with an odd number of inverted bits is a parity
// error, which a receiver that checks parity sees; two in one character are
// not. The gaps between errors are drawn from seeded generators (one for the
// data bits, one for the parity bits), so the same byte stream gets the same
// errors again, and the data bits' errors do not depend on the parity bits'.
#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace plx71sim {

class LineNoise {
public:
    LineNoise(double rate, std::uint64_t seed);

    bool on() const { return rate_ > 0; }
    // A new bit error rate from the next bit on (the line changed its rate).
    void setRate(double rate);
    // Inverts the data bits whose turn has come (a parity bit has no byte
    // to live in: its error shows only in `parityErrors`, when given, which
    // gets the indexes of the characters with a parity error). Returns how
    // many bits it inverted, parity bits included.
    std::size_t apply(std::span<std::uint8_t> bytes, std::vector<std::size_t>* parityErrors = nullptr);
    std::uint64_t flippedBits() const { return flipped_; }

private:
    void drawGap();
    void drawParityGap();

    double rate_;
    std::mt19937_64 random_;
    std::mt19937_64 parityRandom_;
    std::uint64_t untilNext_ = 0;       // good data bits before the next inverted one
    std::uint64_t untilNextParity_ = 0; // good parity bits before the next inverted one
    std::uint64_t flipped_ = 0;
};

} // namespace plx71sim
