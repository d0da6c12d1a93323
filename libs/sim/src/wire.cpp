#include "plx71sim/wire.hpp"

namespace plx71sim {

std::optional<int> rateForCode(std::uint8_t code)
{
    static constexpr int rates[] = {9600, 19200, 38400, 57600, 115200};
    if (code < 1 || code > 5)
        return std::nullopt;
    return rates[code - 1];
}

std::uint8_t sum8(std::span<const std::uint8_t> bytes)
{
    std::uint8_t s = 0;
    for (auto b : bytes)
        s = static_cast<std::uint8_t>(s + b);
    return s;
}

Bytes makeFrame(std::uint8_t code, std::span<const std::uint8_t> payload)
{
    const std::size_t n = payload.size() + 1;
    Bytes f;
    f.reserve(n + 3);
    f.push_back(static_cast<std::uint8_t>(n & 0xFF));
    f.push_back(static_cast<std::uint8_t>(n >> 8));
    f.push_back(code);
    f.insert(f.end(), payload.begin(), payload.end());
    f.push_back(sum8(std::span(f).subspan(2)));
    return f;
}

} // namespace plx71sim
