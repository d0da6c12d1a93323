// A record we use whose check sum is wrong refuses the whole file, in both
// formats and both readers, and names the line, the sum found and the one
// expected.
#include "datafile/data_file_reader.hpp"
#include "plx71/datafile/firmware_file_reader.hpp"

#include "datafile_test_support.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/record_text.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

using test::intelData;
using test::intelLinear;
using test::intelRecord;
using test::intelSegment;
using test::sRecord;

struct Case {
    const char* what;
    DataFormat format;
    std::vector<std::string> lines; // the last one gets a wrong check sum
    const char* lineEnd;
};

// Every record here lies at 0xC1000 and above: inside the User ROM of the
// default device and inside the firmware area.
const Case kCases[] = {
    {"data", DataFormat::IntelHex, {intelSegment(0xC000), intelData(0x1000, {1, 2, 3})}, "\r\n"},
    {"end with data",
     DataFormat::IntelHex,
     {intelSegment(0xC000), intelData(0x1000, {1}), intelRecord(1, 0x1001, {2})},
     "\n"},
    {"end", DataFormat::IntelHex, {intelSegment(0xC000), intelData(0x1000, {1}), ":00000001FF"}, "\r"},
    {"empty data", DataFormat::IntelHex, {intelSegment(0xC000), intelData(0x1000, {1}), ":0000000000"}, "\r\n"},
    {"segment",
     DataFormat::IntelHex,
     {"", "; a comment", intelSegment(0xC000), intelData(0x1000, {1}), intelSegment(0xC000)},
     "\r\n"},
    {"linear", DataFormat::IntelHex, {intelSegment(0xC000), intelData(0x1000, {1}), intelLinear(0x000C)}, "\n"},
    {"S2", DataFormat::SRecord, {"S0030000FC", sRecord('2', 0xC1000, {1}), sRecord('2', 0xC1001, {2, 3})}, "\r\n"},
    {"S3", DataFormat::SRecord, {"S0030000FC", "", sRecord('3', 0xC1000, {1, 2})}, "\n"},
    {"S2 without data", DataFormat::SRecord, {sRecord('2', 0xC1000, {1}), sRecord('2', 0xC1010, {})}, "\r"},
    {"S7", DataFormat::SRecord, {sRecord('2', 0xC1000, {1}), sRecord('7', 0xC1001, {})}, "\r\n"},
    {"S8 with data", DataFormat::SRecord, {sRecord('2', 0xC1000, {1}), sRecord('8', 0xC1001, {2})}, "\n"},
    {"S8", DataFormat::SRecord, {sRecord('2', 0xC1000, {1}), "S804000000FB"}, "\r\n"},
};

struct Corrupted {
    std::string text;
    std::size_t lineNumber;
    unsigned found;
    unsigned expected;
};

Corrupted corrupt(const Case& c)
{
    Corrupted out{};
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
        std::string line = c.lines[i];
        if (i + 1 == c.lines.size()) {
            out.expected = static_cast<unsigned>(std::stoul(line.substr(line.size() - 2), nullptr, 16));
            out.found = (out.expected + 1) & 0xFF;
            line = line.substr(0, line.size() - 2) + test::hexByte(out.found);
        }
        out.text += line + c.lineEnd;
    }
    out.lineNumber = c.lines.size();
    return out;
}

TEST(RecordChecksum, AWrongSumRefusesTheFileInBothReaders)
{
    for (const Case& c : kCases) {
        const Corrupted bad = corrupt(c);
        DataFileProblem wrongSum;
        wrongSum.rule = DataFileRule::ChecksumMismatch;
        wrongSum.line = bad.lineNumber;
        wrongSum.found = bad.found;
        wrongSum.expected = bad.expected;

        std::vector<std::uint8_t> image = blankImage(Area::UserRom);
        EXPECT_EQ(readDataText(test::defaultDevice(), Area::UserRom, image, bad.text, c.format), wrongSum) << c.what;
        EXPECT_EQ(image, blankImage(Area::UserRom)) << c.what;

        // The same file with its sums right (and its end record) loads.
        std::string good;
        for (const auto& line : c.lines)
            good += line + c.lineEnd;
        good += c.format == DataFormat::IntelHex ? ":00000001FF" : "S9030000FC";
        EXPECT_EQ(readDataText(test::defaultDevice(), Area::UserRom, image, good, c.format), std::nullopt) << c.what;

        test::ScratchDir dir;
        const auto path = dir / (c.format == DataFormat::IntelHex ? "fw.hex" : "fw.mot");
        test::writeText(path, bad.text);
        FirmwareImage firmware;
        wrongSum.file = path.string();
        EXPECT_EQ(readFirmwareFile(path, firmware), wrongSum) << c.what;
    }
}

TEST(RecordChecksum, DetailTextAndRecordsOfNoInterest)
{
    EXPECT_EQ(msg::checksumMismatch(12, 0x3C, 0xA), "line 12: check sum 3C, expected 0A");

    // Records we do not use are not examined, nor is anything after the end.
    std::vector<std::uint8_t> image = blankImage(Area::UserRom);
    EXPECT_FALSE(readDataText(test::defaultDevice(), Area::UserRom, image,
                              ":0400000300000000F0\n:0400000500000000F0\n" + intelSegment(0xC000) + "\n"
                                  + intelData(0, {7}) + "\n:00000001FF\n:0100010001FF\n",
                              DataFormat::IntelHex));
    EXPECT_FALSE(readDataText(test::defaultDevice(), Area::UserRom, image,
                              "S00300000F\nS1050000010200\nS5030001FF\nS9030000FF\n" + sRecord('2', 0xC0001, {8})
                                  + "\nS804000000FB\nS2050C00020900\n",
                              DataFormat::SRecord));
    EXPECT_EQ(image[0], 7);
    EXPECT_EQ(image[1], 8);
    EXPECT_EQ(image[2], 0xFF);
}

} // namespace
} // namespace plx71
