#include "plx71/datafile/firmware_file_reader.hpp"

#include "datafile_test_support.hpp"
#include "plx71/testing/record_text.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

using test::intelData;
using test::intelSegment;
using test::lines;
using test::sRecord;

std::vector<std::uint8_t> textBytes(std::string_view s)
{
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

struct Loader {
    test::ScratchDir dir;
    FirmwareImage image;
    std::optional<DataFileProblem> problem;

    bool read(const std::string& name, const std::string& text)
    {
        test::writeText(dir / name, text);
        problem = readFirmwareFile(dir / name, image);
        return !problem;
    }
    std::optional<DataFileRule> rule() const { return problem ? std::optional(problem->rule) : std::nullopt; }
    std::uint8_t at(std::uint32_t address) const { return image.bytes[address - kFirmwareBase]; }
};

TEST(FirmwareFileReader, IntelHexWithSegmentRecordAndPageRounding)
{
    Loader l;
    ASSERT_TRUE(l.read("fw.hex",
                       lines({intelSegment(0xC000), intelData(0x1000, textBytes("V1.31 2002/03/15")),
                              intelData(0x2345, {1, 2}), ":00000001FF"})));
    EXPECT_FALSE(l.problem);
    EXPECT_EQ(l.at(0xC1000), 'V');
    EXPECT_EQ(l.at(0xC2346), 2);
    EXPECT_EQ(l.image.firstAddress, 0xC1000u);
    EXPECT_EQ(l.image.lastAddress, 0xC23FFu);
    EXPECT_TRUE(firmwareHeaderValid(l.image));
    EXPECT_EQ(firmwareVersionText(l.image), "V1.31 2002/03/15");
}

TEST(FirmwareFileReader, TypeCharacterChoosesTheFormat)
{
    const std::string mot = lines({sRecord('2', 0xC1200, {1}), "S804000000FB"});
    for (const char* name : {"fw.mot", "fw.M", "firmware"}) {
        Loader l;
        ASSERT_TRUE(l.read(name, mot)) << name;
        EXPECT_EQ(l.at(0xC1200), 1) << name;
        EXPECT_EQ(l.image.firstAddress, 0xC1200u) << name;
        EXPECT_EQ(l.image.lastAddress, 0xC12FFu) << name;
    }
    // Any other type character reads nothing and succeeds with the start
    // values of the range, rounded.
    Loader other;
    ASSERT_TRUE(other.read("fw.btp", mot));
    EXPECT_EQ(other.at(0xC1200), 0xFF);
    EXPECT_EQ(other.image.firstAddress, 0xC3F00u);
    EXPECT_EQ(other.image.lastAddress, 0xC10FFu);
    EXPECT_FALSE(other.problem);
    EXPECT_FALSE(firmwareHeaderValid(other.image));
}

TEST(FirmwareFileReader, EndRulesDifferForEmptySRecords)
{
    // An S2 without data does not end the reading: its address is checked and
    // recorded (as first address, last = first - 1).
    Loader l;
    ASSERT_TRUE(l.read("fw.mot",
                       lines({sRecord('2', 0xC1100, {}), sRecord('3', 0xC1300, {5}), sRecord('8', 0x000000, {}),
                              sRecord('2', 0xC1400, {6})})));
    EXPECT_EQ(l.at(0xC1300), 5);
    EXPECT_EQ(l.at(0xC1400), 0xFF); // S8 without data ends, with no address check
    EXPECT_EQ(l.image.firstAddress, 0xC1100u);
    EXPECT_EQ(l.image.lastAddress, 0xC13FFu);

    Loader below;
    EXPECT_FALSE(below.read("fw.mot", lines({sRecord('2', 0xC0000, {})})));
    EXPECT_EQ(below.rule(), DataFileRule::BelowFirmwareArea);

    // Above the area there is no limit for a record without data: it stores
    // nothing, so it cannot reach outside the image.
    Loader above;
    ASSERT_TRUE(above.read(
        "fw.mot", lines({sRecord('2', 0xC1000, {1}), sRecord('3', 0x00FFFFFF, {}), sRecord('2', 0xC1010, {2})})));
    EXPECT_EQ(above.at(0xC1010), 2);
    EXPECT_EQ(above.image.firstAddress, 0xC1000u);
    EXPECT_EQ(above.image.lastAddress, 0xC10FFu);

    Loader s7;
    ASSERT_TRUE(
        s7.read("fw.mot", lines({sRecord('2', 0xC1000, {1}), sRecord('7', 0, {}), sRecord('2', 0xC0000, {1})})));
}

TEST(FirmwareFileReader, AddressChecks)
{
    // Below 0xC1000: error; the records before stay in the image and the range
    // keeps what was reached.
    Loader l;
    EXPECT_FALSE(
        l.read("fw.hex",
               lines({intelSegment(0xC000), intelData(0x1800, {1}), intelData(0x0FFF, {2}), intelData(0x1900, {3})})));
    EXPECT_EQ(l.rule(), DataFileRule::BelowFirmwareArea);
    EXPECT_EQ(l.at(0xC1800), 1);
    EXPECT_EQ(l.at(0xC1900), 0xFF);
    EXPECT_EQ(l.image.firstAddress, 0xC1800u);
    EXPECT_EQ(l.image.lastAddress, 0xC1800u);

    // No upper limit below the end of the image; data beyond 0xC3FFF is stored
    // but does not move the last address.
    Loader high;
    ASSERT_TRUE(high.read(
        "fw.mot", lines({sRecord('2', 0xC2000, {1}), sRecord('2', 0xC5000, {2}), sRecord('2', 0x100FFF, {3})})));
    EXPECT_EQ(high.at(0xC5000), 2);
    EXPECT_EQ(high.image.bytes.back(), 3);
    EXPECT_EQ(high.image.lastAddress, 0xC20FFu);

    // Data reaching past the end of the image is refused, never stored outside.
    Loader beyond;
    EXPECT_FALSE(beyond.read("fw.mot", lines({sRecord('2', 0x100FFF, {1, 2})})));
    EXPECT_EQ(beyond.rule(), DataFileRule::BelowFirmwareArea);
    EXPECT_EQ(beyond.image.bytes.back(), 0xFF);
}

TEST(FirmwareFileReader, FailuresLeaveTheImageOrSayWhy)
{
    Loader missing;
    missing.image.bytes[0] = 'V';
    missing.image.firstAddress = 0xC1000;
    missing.image.lastAddress = 0xC3FFF;
    const auto notRead = readFirmwareFile(missing.dir / "nothing.hex", missing.image);
    ASSERT_TRUE(notRead);
    EXPECT_EQ(notRead->rule, DataFileRule::CannotRead);
    EXPECT_EQ(notRead->file, (missing.dir / "nothing.hex").string());
    EXPECT_EQ(missing.image.bytes[0], 'V');
    EXPECT_EQ(missing.image.firstAddress, 0xC1000u);
    EXPECT_EQ(missing.image.lastAddress, 0xC3FFFu);

    Loader format;
    EXPECT_FALSE(format.read("fw.hex", lines({intelSegment(0xC000), ":10100000V1.30"})));
    EXPECT_EQ(format.rule(), DataFileRule::Malformed);

    // A header whose data starts at 0xC1100 is no valid header.
    Loader late;
    ASSERT_TRUE(late.read("fw.hex", lines({intelSegment(0xC000), intelData(0x1100, textBytes("V1.31 2002/03/15"))})));
    EXPECT_FALSE(firmwareHeaderValid(late.image));
    EXPECT_EQ(late.image.firstAddress, 0xC1100u);

    // A file far larger than any firmware is refused before it is read.
    Loader huge;
    huge.image.bytes[0] = 'V';
    test::writeText(huge.dir / "huge.hex", ":00000001FF\n");
    std::filesystem::resize_file(huge.dir / "huge.hex", test::kHugeFileSize);
    const auto tooLarge = readFirmwareFile(huge.dir / "huge.hex", huge.image);
    EXPECT_EQ(tooLarge ? std::optional(tooLarge->rule) : std::nullopt, DataFileRule::TooLarge);
    EXPECT_EQ(huge.image.bytes[0], 'V');
}

} // namespace
} // namespace plx71
