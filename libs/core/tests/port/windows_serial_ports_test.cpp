// The COM port list of Windows, from the serial-port map's values: one
// device per port whatever the case or the stored terminator, in natural
// order, with Device Manager's name where it has one.
#include "port/windows_serial_ports.hpp"

#include <gtest/gtest.h>

#include <cctype>

using namespace plx71;

namespace {

struct MapCase {
    const char* what;
    std::vector<SerialCommEntry> map;
    std::vector<std::string> names; // in the order listed
};

class SerialCommMap : public ::testing::TestWithParam<MapCase> {};

TEST_P(SerialCommMap, ListsEachPortOnceInNaturalOrder)
{
    const auto devices = serialPortsFromMap(GetParam().map, {});
    std::vector<std::string> names;
    for (const auto& d : devices)
        names.push_back(d.name);
    EXPECT_EQ(names, GetParam().names);
    for (const auto& d : devices) {
        EXPECT_EQ(d.path, d.name) << "a COM port is opened by its name";
        EXPECT_TRUE(d.mayOpen);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SerialCommMap,
    ::testing::Values(
        MapCase{"empty", {}, {}},
        MapCase{"ten after nine",
                {{"\\Device\\VCP1", "COM10"}, {"\\Device\\Serial1", "COM2"}, {"\\Device\\Serial0", "COM9"}},
                {"COM2", "COM9", "COM10"}},
        MapCase{"stored terminator and blanks cut",
                {{"\\Device\\Serial0", std::string("COM1\0", 5)}, {"\\Device\\Serial1", "COM3 "}},
                {"COM1", "COM3"}},
        MapCase{"no port name", {{"\\Device\\Serial0", ""}, {"\\Device\\Serial1", std::string("\0", 1)}}, {}},
        MapCase{"same port twice, case aside", {{"\\Device\\Serial0", "COM4"}, {"\\Device\\Other", "com4"}}, {"COM4"}}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (auto& c : n)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return n;
    });

TEST(SerialCommMapNames, FriendlyNameAndKernelDeviceKeptByPort)
{
    const auto devices = serialPortsFromMap({{"\\Device\\VCP0", "com5"}, {"\\Device\\Serial0", "COM1"}},
                                            {{"COM5", "USB Serial Port (COM5)"}});
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "COM1");
    EXPECT_TRUE(devices[0].friendlyName.empty());
    EXPECT_EQ(devices[0].kernelDevice, "\\Device\\Serial0");
    EXPECT_EQ(devices[1].name, "com5");
    EXPECT_EQ(devices[1].canonical, "COM5");
    EXPECT_EQ(devices[1].friendlyName, "USB Serial Port (COM5)");
}

} // namespace
