#include "plx71/production_record/job_id.hpp"

#include <array>
#include <cstdint>
#include <random>

namespace plx71 {

std::string newJobId()
{
    // The system's entropy source, asked per job: nothing at start-up.
    std::random_device source;
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const std::uint32_t word = source();
        for (std::size_t k = 0; k < 4; ++k)
            bytes[i + k] = std::uint8_t(word >> (8 * k));
    }
    bytes[6] = std::uint8_t((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = std::uint8_t((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string id;
    id.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            id += '-';
        id += kDigits[bytes[i] >> 4];
        id += kDigits[bytes[i] & 0x0F];
    }
    return id;
}

} // namespace plx71
