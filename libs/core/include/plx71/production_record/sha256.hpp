#pragma once
// SHA-256 of a byte string: the file hashes of results and records, and the
// line server's token hashes.
#include <cstdint>
#include <span>
#include <string>

namespace plx71 {

class Sha256 {
public:
    Sha256();
    void update(std::span<const std::uint8_t> bytes);
    // 64 lower-case hex digits; the object is spent afterwards.
    std::string hexDigest();

private:
    void block(const std::uint8_t* p);

    std::uint32_t h_[8];
    std::uint8_t buffer_[64];
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0; // bytes
};

std::string sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace plx71
