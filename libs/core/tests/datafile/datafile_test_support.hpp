#pragma once
// Shared helpers of the data-file tests: temporary folders, device records,
// random images and running the peer tools.
#include "plx71/devices/device_record.hpp"
#include "plx71/testing/default_device.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace plx71::test {

// A fresh folder per test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "plx71-datafile-";
        name += info ? std::string(info->test_suite_name()) + "-" + info->name() : "x";
        name += "-" + std::to_string(std::random_device{}());
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path)
{
    const std::string s = readText(path);
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

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

// Runs a shell command; returns its exit status (0 = success).
inline int run(const std::string& command)
{
    return std::system(command.c_str());
}

inline std::string quoted(const std::filesystem::path& p)
{
    std::string out = "'";
    for (char c : p.string()) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace plx71::test
