#pragma once
// The link bit rates a front end may choose. Every exchange with a box starts
// and ends at the resting rate, 9600 bit/s; a job runs at its own rate,
// 115200 bit/s unless it names another. A rate's number is the index that
// the project file stores, the lists of the forms show and CMD_SET_LINK_RATE
// carries (plus one): never renumber them.
#include <array>
#include <cstddef>
#include <iterator>
#include <optional>

namespace plx71 {

enum class LinkRate : int { Bps9600 = 0, Bps19200 = 1, Bps38400 = 2, Bps57600 = 3, Bps115200 = 4 };

inline constexpr LinkRate kRestingLinkRate = LinkRate::Bps9600;
inline constexpr LinkRate kDefaultLinkRate = LinkRate::Bps115200;

// By index: the bit rate, and the name the forms' lists show.
inline constexpr std::array<int, 5> kLinkBitRates{9600, 19200, 38400, 57600, 115200};
inline constexpr const char* kLinkRateNames[] = {"9600", "19.2K", "38.4K", "57.6K", "115.2K"};
static_assert(std::size(kLinkRateNames) == kLinkBitRates.size());

constexpr int linkRateIndex(LinkRate rate)
{
    return static_cast<int>(rate);
}

// A rate made from a number that came from outside (a cast, a stored file)
// may be none of the five.
constexpr bool isLinkRate(LinkRate rate)
{
    return linkRateIndex(rate) >= 0 && linkRateIndex(rate) < static_cast<int>(kLinkBitRates.size());
}

// The rate a stored index names; none for an index out of the list.
constexpr std::optional<LinkRate> linkRateAt(int index)
{
    const auto rate = static_cast<LinkRate>(index);
    return isLinkRate(rate) ? std::optional<LinkRate>(rate) : std::nullopt;
}

// The rate of `bitRate` bit/s; none when the box has no such rate.
constexpr std::optional<LinkRate> linkRateOfBitRate(int bitRate)
{
    for (std::size_t i = 0; i < kLinkBitRates.size(); ++i) {
        if (kLinkBitRates[i] == bitRate)
            return static_cast<LinkRate>(i);
    }
    return std::nullopt;
}

// Bit/s of a rate; 0 for none of the five.
constexpr int bitRate(LinkRate rate)
{
    return isLinkRate(rate) ? kLinkBitRates[static_cast<std::size_t>(rate)] : 0;
}

constexpr const char* linkRateName(LinkRate rate)
{
    return isLinkRate(rate) ? kLinkRateNames[static_cast<std::size_t>(rate)] : "";
}

// The next lower rate; the resting rate stays.
constexpr LinkRate oneRateLower(LinkRate rate)
{
    return linkRateIndex(rate) > 0 ? static_cast<LinkRate>(linkRateIndex(rate) - 1) : rate;
}

} // namespace plx71
