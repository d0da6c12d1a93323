#pragma once
// A private folder of files for one test, and small S-record / device helpers.
#include "plx71/devices/device_table.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/testing/default_device.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace plx71::testing {

class TempDir {
public:
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path()
              / ("plx71-" + std::string(info->test_suite_name()) + "-" + info->name() + "-"
                 + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::filesystem::path file(const std::string& name, const std::string& content) const
    {
        const auto p = path_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// One S2 record (24-bit address), check sum included.
inline std::string s2(std::uint32_t address, const std::vector<std::uint8_t>& data)
{
    const unsigned count = unsigned(data.size() + 4);
    char head[16];
    std::snprintf(head, sizeof head, "S2%02X%06X", count, unsigned(address));
    std::string line = head;
    unsigned sum = count + (address >> 16 & 0xFF) + (address >> 8 & 0xFF) + (address & 0xFF);
    char hex[3];
    for (auto b : data) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
        sum += b;
    }
    std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFFu);
    return line + hex + "\n";
}

inline const std::string kTestTable = std::string(test::kDefaultDeviceLine) + "\n"
                                "M30620FCFP,FE000,2000,E0000,20000,4,5.0V,5.0V\n"
                                "M30803FGFP,FFE000,2000,FC0000,40000,6,5.0V,12V\n"
                                "M30100ONE,FE000,2000,FC000,4000,0,3.3V,3.3V\n"
                                "M30101TWO,FE000,2000,F8000,8000,1,3.3V,3.3V\n";

inline WriterState stateWithTestTable()
{
    WriterState s;
    s.deviceTable = parseDeviceTable(kTestTable);
    return s;
}

} // namespace plx71::testing
