#include "plx71/datafile/data_file_writer.hpp"

#include "datafile_test_support.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/transfer/progress_counters.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace plx71 {
namespace {

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos)
            break;
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

struct Area256 {
    std::vector<std::uint8_t> data = std::vector<std::uint8_t>(0x40000, 0xFF);
    SaveRequest request(std::vector<AreaRange> ranges = {}, int family = 0, std::uint32_t start = 0xC0000)
    {
        SaveRequest r;
        r.data = data;
        r.areaStart = start;
        r.areaEnd = start + 0x3FFFF;
        r.family = family;
        r.ranges = std::move(ranges);
        return r;
    }
};

TEST(DataFileWriter, FirstSixteenBytesOfABlankUserRom)
{
    Area256 a;
    const auto req = a.request({{0xFC000, 0xFC00F}});
    EXPECT_EQ(
        splitLines(formatIntelHex(req)),
        (std::vector<std::string>{":02000002F0000C", ":10C00000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF40", ":00000001FF"}));
    EXPECT_EQ(splitLines(formatSRecords(req)),
              (std::vector<std::string>{"S0030000FC", "S2140FC000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF2C", "S804000000FB"}));
}

TEST(DataFileWriter, NineteenBytesGiveTwoRecordsAndThirtyTwoOfProgress)
{
    Area256 a;
    for (int i = 0; i < 19; ++i)
        a.data[0x100 + i] = static_cast<std::uint8_t>(i);
    ProgressCounters counters;
    counters.start(0x40000);
    const auto hex = splitLines(formatIntelHex(a.request({{0xC0100, 0xC0112}}), &counters));
    EXPECT_EQ(counters.done(), 32);
    ASSERT_EQ(hex.size(), 4u);
    EXPECT_EQ(hex[0], ":02000002C0003C");
    EXPECT_EQ(hex[1], ":10010000000102030405060708090A0B0C0D0E0F77");
    EXPECT_EQ(hex[2], ":03011000101112B9");
    counters.start(0x40000);
    const auto s = splitLines(formatSRecords(a.request({{0xC0100, 0xC0112}}), &counters));
    EXPECT_EQ(counters.done(), 32);
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[2], "S2070C0110101112A8");
}

TEST(DataFileWriter, WholeAreaWhenNoRanges)
{
    Area256 a;
    ProgressCounters counters;
    counters.start(0x40000);
    const auto hex = splitLines(formatIntelHex(a.request(), &counters));
    EXPECT_EQ(counters.done(), 0x40000);
    std::vector<std::string> extended;
    std::size_t data = 0;
    for (const auto& l : hex) {
        if (l.substr(7, 2) == "02")
            extended.push_back(l);
        else if (l.substr(7, 2) == "00")
            ++data;
    }
    EXPECT_EQ(data, 0x4000u);
    EXPECT_EQ(extended,
              (std::vector<std::string>{":02000002C0003C", ":02000002D0002C", ":02000002E0001C", ":02000002F0000C"}));
    EXPECT_EQ(hex.back(), ":00000001FF");

    const auto s = splitLines(formatSRecords(a.request()));
    EXPECT_EQ(s.size(), 0x4000u + 2);
    EXPECT_EQ(s[1].substr(0, 10), "S2140C0000");
    EXPECT_EQ(s[0x4000].substr(0, 10), "S2140FFFF0");
}

TEST(DataFileWriter, FamilyTwoWritesLinearRecords)
{
    Area256 a;
    const auto hex = splitLines(formatIntelHex(a.request({{0xFCFFF0, 0xFD000F}}, 2, 0xFC0000)));
    EXPECT_EQ(
        hex,
        (std::vector<std::string>{":0200000400FCFE", ":10FFF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF11", ":0200000400FDFD",
                                  ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00", ":00000001FF"}));
    const auto s = splitLines(formatSRecords(a.request({{0xFCFFF0, 0xFCFFF0}}, 2, 0xFC0000)));
    EXPECT_EQ(s[1], "S205FCFFF0FF10");

    // Segment records reach only 1 MiB and S2 only 16 MiB: an area above
    // either gets the wider record rather than a wrong address.
    const auto high = splitLines(formatIntelHex(a.request({{0x100000, 0x100000}}, 0, 0x100000)));
    EXPECT_EQ(high[0], ":020000040010EA");
    const auto wide = splitLines(formatSRecords(a.request({{0x1000000, 0x1000000}}, 2, 0x1000000)));
    EXPECT_EQ(wide[1], "S30601000000FFF9");
}

TEST(DataFileWriter, UnalignedRangeIsCutAtTheSegmentBoundary)
{
    Area256 a;
    const auto hex = splitLines(formatIntelHex(a.request({{0xCFFF8, 0xD0009}})));
    EXPECT_EQ(hex,
              (std::vector<std::string>{":02000002C0003C", ":08FFF800FFFFFFFFFFFFFFFF09", ":02000002D0002C",
                                        ":0A000000FFFFFFFFFFFFFFFFFFFF00", ":00000001FF"}));
    // S-records carry the full address and need no cut.
    const auto s = splitLines(formatSRecords(a.request({{0xCFFF8, 0xD0009}})));
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[1].substr(0, 10), "S2140CFFF8");
    EXPECT_EQ(s[2].substr(0, 10), "S2060D0008");
}

TEST(DataFileWriter, RangesInTableOrderAndClipped)
{
    Area256 a;
    ProgressCounters counters;
    counters.start(0x40000);
    const auto hex = splitLines(formatIntelHex(
        a.request({{0xD0000, 0xD0000}, {0xC0000, 0xC0001}, {0xC0010, 0xC0000}, {0xBFFF0, 0xC0000}}), &counters));
    // Reversed entry skipped; a range reaching below the area is clipped.
    EXPECT_EQ(hex,
              (std::vector<std::string>{":02000002D0002C", ":01000000FF00", ":02000002C0003C", ":02000000FFFF00",
                                        ":02000002C0003C", ":01000000FF00", ":00000001FF"}));
    EXPECT_EQ(counters.done(), 48);

    // Overlapping ranges never push the progress past the total.
    ProgressCounters small;
    small.start(0x100);
    formatSRecords(a.request({{0xC0000, 0xC00FF}, {0xC0000, 0xC00FF}}), &small);
    EXPECT_EQ(small.done(), 0x100);
    EXPECT_FALSE(small.aborted());

    // An abort mark set meanwhile is neither looked at nor overwritten.
    ProgressCounters aborted;
    aborted.start(0x40000);
    aborted.abort();
    const auto lines = splitLines(formatSRecords(a.request({{0xC0000, 0xC00FF}}), &aborted));
    EXPECT_EQ(lines.size(), 18u);
    EXPECT_TRUE(aborted.aborted());
}

TEST(DataFileWriter, SaveDataFileChoosesTheFormatAndReportsFailures)
{
    test::ScratchDir dir;
    Area256 a;
    const auto req = a.request({{0xFC000, 0xFC00F}});
    RecordingUi ui;
    for (const char* name : {"x.hex", "x.HEX", "y.mot", "y.btp", "noext"}) {
        ASSERT_TRUE(saveDataFile(ui, dir / name, req)) << name;
        const bool hex = name[0] == 'x';
        EXPECT_EQ(test::readText(dir / name), hex ? formatIntelHex(req) : formatSRecords(req)) << name;
    }
    // An existing file is replaced without a question.
    test::writeText(dir / "old.mot", std::string(100000, 'z'));
    ASSERT_TRUE(saveDataFile(ui, dir / "old.mot", req));
    EXPECT_EQ(test::readText(dir / "old.mot"), formatSRecords(req));
    EXPECT_TRUE(ui.texts().empty());

    const auto noFolder = dir / "missing" / "x.hex";
    EXPECT_FALSE(saveDataFile(ui, noFolder, req));
    EXPECT_EQ(ui.messages(),
              (std::vector<RecordedMessage>{{Icon::Stop, msg::cannotWriteFile(noFolder.string()), false}}));
    // A full disk shows up only when the data is written.
    if (std::filesystem::exists("/dev/full")) {
        RecordingUi full;
        ProgressCounters counters;
        counters.start(0x40000);
        EXPECT_FALSE(saveDataFile(full, "/dev/full", a.request(), &counters));
        EXPECT_EQ(full.texts(), std::vector<std::string>{msg::cannotWriteFile("/dev/full")});
    }
}

} // namespace
} // namespace plx71
