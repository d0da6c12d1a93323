#include "plx71/image/rom_image.hpp"

#include <gtest/gtest.h>

using namespace plx71;

namespace {

DeviceRecord named(const std::string& name)
{
    DeviceRecord d = startupDefaultDevice();
    d.name = name;
    return d;
}

DeviceRecord m3080()
{
    DeviceRecord d = named("M30803FGFP");
    d.userRomStart = 0xFC0000;
    d.userRomEnd = 0xFFFFFF;
    d.bootRomStart = 0xFFE000;
    d.bootRomEnd = 0xFFFFFF;
    return d;
}

} // namespace

TEST(RomImage, BlankChecksums)
{
    RomImages images;
    ASSERT_EQ(images.user.size(), 0x40000u);
    ASSERT_EQ(images.boot.size(), 0x2000u);
    const DeviceRecord d = startupDefaultDevice();
    EXPECT_EQ(areaChecksum(d, Area::UserRom, images.user), 0x3FC0000u);
    EXPECT_EQ(formatChecksum(areaChecksum(d, Area::UserRom, images.user)), "0000");
    EXPECT_EQ(areaChecksum(d, Area::BootRom, images.boot), 0x1FE000u);
    EXPECT_EQ(formatChecksum(areaChecksum(d, Area::BootRom, images.boot)), "E000");

    // The 24-bit family sums over addresses reduced to 20 bits: same length.
    EXPECT_EQ(areaChecksum(m3080(), Area::UserRom, images.user), 0x3FC0000u);
    EXPECT_EQ(areaChecksum(m3080(), Area::BootRom, images.boot), 0x1FE000u);

    // A smaller area counts only its own bytes, blanks included.
    DeviceRecord small = d;
    small.userRomStart = 0xF0000;
    images.user[0] = 0x01;
    images.user[0x10000] = 0x00; // outside the 64 KiB area
    EXPECT_EQ(areaChecksum(small, Area::UserRom, images.user), 0xFFu * 0xFFFF + 1);
}

TEST(RomImage, ChecksumNeverReadsOutsideTheImage)
{
    DeviceRecord d = startupDefaultDevice();
    d.userRomStart = 0x00000; // 1 MiB area after the 20-bit reduction
    std::vector<std::uint8_t> user(0x40000, 0x01);
    EXPECT_EQ(areaChecksum(d, Area::UserRom, user), 0x40000u);
    d.userRomStart = 0xFFFFF;
    d.userRomEnd = 0xC0000; // end below start
    EXPECT_EQ(areaChecksum(d, Area::UserRom, user), 0u);
    std::vector<std::uint8_t> empty;
    EXPECT_EQ(areaChecksum(startupDefaultDevice(), Area::BootRom, empty), 0u);
}

TEST(RomImage, ProtectLevels)
{
    EXPECT_EQ(protectLevel(0xFF), 0);
    for (std::uint8_t b : {0x3F, 0x7F, 0xBF})
        EXPECT_EQ(protectLevel(b), 1) << int(b);
    for (std::uint8_t b : {0xF3, 0xF7, 0xF0})
        EXPECT_EQ(protectLevel(b), 2) << int(b);
    EXPECT_EQ(protectLevel(0xCF), 0) << "bits 5 and 4 are tested first";
    EXPECT_EQ(protectLevel(0x00), 0);
    EXPECT_EQ(protectText(0), "Protect removed");
    EXPECT_EQ(protectText(1), "Level 1 protect enabled");
    EXPECT_EQ(protectText(2), "Level 2 protect enabled");

    RomImages images;
    DeviceRecord d = startupDefaultDevice();
    images.user[0x3FFFF] = 0x3F;
    EXPECT_EQ(protectByte(d, images.user), 0x3F);
    d.userRomStart = 0xF0000;
    images.user[0xFFFF] = 0xF0;
    EXPECT_EQ(protectByte(d, images.user), 0xF0);
    d.userRomStart = 0x00000; // area longer than the image: no byte to read
    EXPECT_EQ(protectByte(d, images.user), kBlankByte);
}

TEST(RomImage, FamiliesAndAddressTables)
{
    EXPECT_EQ(deviceFamily(named("M30624FGFP")), 0);
    EXPECT_EQ(deviceFamily(named("M306N4FGFP")), 1);
    EXPECT_EQ(deviceFamily(named("M30803FGFP")), 2);
    EXPECT_EQ(deviceFamily(named("m3080")), 0) << "compared case-sensitively";
    EXPECT_EQ(deviceFamily(named("M3081")), 0);
    EXPECT_EQ(deviceFamily(named("M308")), 0);
    EXPECT_EQ(deviceFamily(named("")), 0);

    const AreaTables t20 = areaTablesFor(named("M30624FGFP"));
    EXPECT_EQ(t20.blockStart,
              (std::array<std::uint32_t, 7>{0xFC000, 0xFA000, 0xF8000, 0xF0000, 0xE0000, 0xD0000, 0xC0000}));
    EXPECT_EQ(t20.blockSize, kBlockSizes);
    EXPECT_EQ(t20.idCodeAddress,
              (std::array<std::uint32_t, 7>{0xFFFDF, 0xFFFE3, 0xFFFEB, 0xFFFEF, 0xFFFF3, 0xFFFF7, 0xFFFFB}));
    EXPECT_EQ(t20.bootVersionAddress, 0xFE000u);
    EXPECT_EQ(areaTablesFor(named("M306N5FCFP")), t20);
    EXPECT_EQ(areaTablesFor(named("m30803")), t20);

    const AreaTables t24 = areaTablesFor(named("M30800FCFP"));
    EXPECT_EQ(t24.blockStart,
              (std::array<std::uint32_t, 7>{0xFFC000, 0xFFA000, 0xFF8000, 0xFF0000, 0xFE0000, 0xFD0000, 0xFC0000}));
    EXPECT_EQ(t24.blockSize, kBlockSizes);
    EXPECT_EQ(t24.idCodeAddress,
              (std::array<std::uint32_t, 7>{0xFFFFDF, 0xFFFFE3, 0xFFFFEB, 0xFFFFEF, 0xFFFFF3, 0xFFFFF7, 0xFFFFFB}));
    EXPECT_EQ(t24.bootVersionAddress, 0xFFE000u);

    std::uint32_t covered = 0;
    for (auto s : t20.blockSize)
        covered += s;
    EXPECT_EQ(covered, 0x40000u);
}

TEST(RomImage, IdCodeAndBootVersion)
{
    RomImages images;
    const DeviceRecord d = startupDefaultDevice();
    const AreaTables t = areaTablesFor(d);
    for (std::size_t i = 0; i < 7; ++i)
        images.user[t.idCodeAddress[i] - d.userRomStart] = std::uint8_t(0x11 * (i + 1));
    EXPECT_EQ(formatIdCode(imageIdCode(d, t, images.user)), "11,22,33,44,55,66,77");
    EXPECT_EQ(formatIdCode(IdCode{0x0A, 0, 0xFF, 1, 2, 3, 0xBC}), "0A,00,FF,01,02,03,BC");

    // The same bytes seen through a 24-bit device keep their indexes.
    const DeviceRecord d24 = m3080();
    EXPECT_EQ(formatIdCode(imageIdCode(d24, areaTablesFor(d24), images.user)), "11,22,33,44,55,66,77");

    // ID addresses outside a small area read as blank.
    DeviceRecord small = d;
    small.userRomEnd = 0xFFFE5;
    EXPECT_EQ(formatIdCode(imageIdCode(small, t, images.user)), "11,22,FF,FF,FF,FF,FF");

    const char version[] = "VER1.00 and more";
    std::copy(version, version + sizeof version, images.boot.begin());
    EXPECT_EQ(imageBootVersion(d, t, images.boot), "VER1.00 ");
    images.boot[3] = 0;
    EXPECT_EQ(imageBootVersion(d, t, images.boot), "VER");
    DeviceRecord shortBoot = d;
    shortBoot.bootRomStart = 0xFFFFA; // version address outside the area
    EXPECT_EQ(imageBootVersion(shortBoot, t, images.boot), "");
}
