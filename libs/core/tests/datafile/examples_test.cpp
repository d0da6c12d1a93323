// The example files in examples/ load as their README says.
#include "datafile/data_file_reader.hpp"
#include "plx71/datafile/firmware_file_reader.hpp"

#include "datafile_test_support.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

const std::filesystem::path kExamples = std::filesystem::path(PLX71_SOURCE_DIR) / "examples";

TEST(ExampleFiles, UserProgramAndBootUpdate)
{
    const DeviceRecord device = test::defaultDevice();
    RomImages fromHex;
    RomImages fromMot;
    ASSERT_FALSE(readDataFile(device, Area::UserRom, fromHex.user, kExamples / "user_program.hex"));
    ASSERT_FALSE(readDataFile(device, Area::UserRom, fromMot.user, kExamples / "user_program.mot"));
    EXPECT_EQ(fromHex.user, fromMot.user);
    EXPECT_NE(fromHex.user, blankImage(Area::UserRom));
    const AreaTables tables = areaTablesFor(device);
    EXPECT_EQ(formatIdCode(imageIdCode(device, tables, fromHex.user)), "50,4C,58,37,31,52,44");
    EXPECT_EQ(protectByte(device, fromHex.user), 0xFF);

    ASSERT_FALSE(readDataFile(device, Area::BootRom, fromHex.boot, kExamples / "boot_update.btp"));
    EXPECT_EQ(imageBootVersion(device, tables, fromHex.boot), "BT 1.02 ");
}

TEST(ExampleFiles, Firmware)
{
    FirmwareImage good;
    ASSERT_FALSE(readFirmwareFile(kExamples / "firmware_v131.hex", good));
    EXPECT_TRUE(firmwareHeaderValid(good));
    EXPECT_EQ(firmwareVersionText(good), "V1.31 2002/03/15");
    EXPECT_EQ(good.firstAddress, 0xC1000u);
    EXPECT_EQ(good.lastAddress, 0xC3FFFu);

    FirmwareImage bad;
    ASSERT_FALSE(readFirmwareFile(kExamples / "firmware_bad_header.hex", bad));
    EXPECT_FALSE(firmwareHeaderValid(bad));
    EXPECT_EQ(bad.firstAddress, 0xC1100u);
}

} // namespace
} // namespace plx71
