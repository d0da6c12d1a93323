#pragma once
// Shared helpers of the data-file tests: device records, random images, the
// readers' problems and running the peer tools (scratch folders and file helpers come with them).
#include "plx71/devices/device_record.hpp"
#include "plx71/messages/file_problems.hpp"
#include "plx71/testing/default_device.hpp"
#include "plx71/testing/scratch_dir.hpp"
#include "plx71/testing/shell_quote.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace plx71::test {

// A 24-bit layout device: User ROM 0xFC0000-0xFFFFFF.
inline DeviceRecord m30803()
{
    DeviceRecord d = defaultDevice();
    d.name = "M30803FGFP";
    d.userRomStart = 0xFC0000;
    d.userRomEnd = 0xFFFFFF;
    d.bootRomStart = 0xFFE000;
    d.bootRomEnd = 0xFFFFFF;
    return d;
}

inline std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(gen());
    return v;
}

// A reader's problem of `rule` at `line` and `address`; the caller sets the rest.
inline DataFileProblem problemOf(DataFileRule rule, std::size_t line = 0, std::uint64_t address = 0)
{
    DataFileProblem p;
    p.rule = rule;
    p.line = line;
    p.address = address;
    return p;
}

// Runs a shell command; returns its exit status (0 = success).
inline int run(const std::string& command)
{
    return std::system(command.c_str());
}

} // namespace plx71::test
