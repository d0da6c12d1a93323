#pragma once
// Shared pieces of the fuzz harnesses: the invariant check that stops the
// run, a reader that takes the harness's choices from the front of an input,
// and the device table every harness draws its devices from.
#include "plx71/devices/device_table.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

// A broken invariant is a finding: say which, then stop so the fuzzer keeps
// the input (and the replay test fails).
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition);                     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

namespace plx71::fuzz {

// Takes bytes from the front of the input; an exhausted input reads as zeros.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    bool empty() const { return pos_ >= bytes_.size(); }
    std::size_t remaining() const { return bytes_.size() - pos_; }

    std::uint8_t byte() { return empty() ? 0 : bytes_[pos_++]; }
    std::uint16_t u16()
    {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | (byte() << 8));
    }
    std::uint32_t u32()
    {
        const std::uint32_t low = u16();
        return low | (std::uint32_t{u16()} << 16);
    }
    // Up to n bytes (fewer when the input runs out).
    std::span<const std::uint8_t> take(std::size_t n)
    {
        const std::size_t k = n < remaining() ? n : remaining();
        auto part = bytes_.subspan(pos_, k);
        pos_ += k;
        return part;
    }
    std::span<const std::uint8_t> rest() { return take(remaining()); }
    std::string_view restText()
    {
        const auto r = rest();
        return {reinterpret_cast<const char*>(r.data()), r.size()};
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// The shipped device table, beside the harness (the build copies it there).
inline const DeviceTable& shippedTable()
{
    static const DeviceTable table = [] {
        auto loaded = loadDeviceTable(deviceTableBeside(currentExecutablePath()));
        FUZZ_CHECK(loaded && !loaded->records.empty());
        return *loaded;
    }();
    return table;
}

} // namespace plx71::fuzz
