#include "datafile/data_file_reader.hpp"

#include "datafile_test_support.hpp"
#include "plx71/testing/record_text.hpp"

#include <gtest/gtest.h>

#include <deque>

namespace plx71 {
namespace {

using test::intelData;
using test::intelLinear;
using test::intelRecord;
using test::intelSegment;
using test::lines;
using test::problemOf;
using test::sRecord;

constexpr std::uint32_t kUserStart = 0xC0000;

struct Reader {
    DeviceRecord device = test::defaultDevice();
    std::vector<std::uint8_t> user = blankImage(Area::UserRom);
    std::vector<std::uint8_t> boot = blankImage(Area::BootRom);
    int levelSeen = -1;
    std::deque<bool> answers;               // the protect decisions, in turn; none left: take it
    std::vector<int> asked;                 // the levels the decision was asked about
    std::optional<DataFileProblem> problem; // the last read's

    DataFileReadOptions options(ReadOnto onto = ReadOnto::Image)
    {
        DataFileReadOptions o;
        o.onto = onto;
        o.protectLevelSeen = &levelSeen;
        o.protect = [this](int level) {
            asked.push_back(level);
            const bool take = answers.empty() || answers.front();
            if (!answers.empty())
                answers.pop_front();
            return take;
        };
        return o;
    }
    bool read(const std::string& text, DataFormat format, Area area = Area::UserRom, ReadOnto onto = ReadOnto::Image)
    {
        problem = readDataText(device, area, area == Area::UserRom ? std::span(user) : std::span(boot), text, format,
                               options(onto));
        return !problem;
    }
    // The texts get an end record behind them: a file without one is
    // refused (CutShortContradictoryAndOutsideFilesNameTheirCause).
    bool hex(const std::string& text, Area area = Area::UserRom)
    {
        return read(text + "\n:00000001FF", DataFormat::IntelHex, area);
    }
    bool srec(const std::string& text, Area area = Area::UserRom)
    {
        return read(text + "\nS9030000FC", DataFormat::SRecord, area);
    }
    bool file(const std::filesystem::path& path)
    {
        problem = readDataFile(device, Area::UserRom, user, path, options());
        return !problem;
    }
    std::optional<DataFileRule> rule() const { return problem ? std::optional(problem->rule) : std::nullopt; }
    std::uint8_t at(std::uint32_t address) const { return user[address - kUserStart]; }
};

TEST(DataFileReader, IntelHexSegmentAndLinearBases)
{
    Reader r;
    // "02" value F000: segment base 0xF0000; a data record at 0xC000 lands at 0xFC000.
    ASSERT_TRUE(r.hex(lines({intelSegment(0xF000), intelData(0xC000, {1, 2, 3}), ":00000001FF"})));
    EXPECT_EQ(r.at(0xFC000), 1);
    EXPECT_EQ(r.at(0xFC002), 3);
    EXPECT_EQ(r.at(0xFC003), 0xFF);

    // "04" is followed: base = value x 0x10000; a later "02" replaces it.
    Reader l;
    ASSERT_TRUE(
        l.hex(lines({intelLinear(0x000D), intelData(0x0010, {0xAA}), intelSegment(0xC000), intelData(0x0020, {0xBB}),
                     intelLinear(0x000F), intelData(0xFFFE, {0xCC, 0xDD}), ":00000001FF"})));
    EXPECT_EQ(l.at(0xD0010), 0xAA);
    EXPECT_EQ(l.at(0xC0020), 0xBB);
    EXPECT_EQ(l.at(0xFFFFE), 0xCC);
    EXPECT_EQ(l.at(0xFFFFF), 0xDD);
    EXPECT_FALSE(l.problem);

    // Without any base record the 16-bit address alone is outside the area.
    Reader o;
    EXPECT_FALSE(o.hex(lines({intelData(0xC000, {1})})));
    EXPECT_EQ(o.rule(), DataFileRule::OutsideArea);
}

TEST(DataFileReader, RecordsInAnyOrderAndLowerCaseDigits)
{
    Reader r;
    std::string text = lines({intelSegment(0xC000), intelData(0x0100, {1, 2}), intelData(0x0000, {9}),
                              intelData(0x0101, {2}), intelRecord(3, 0, {0, 0, 0, 0}), intelRecord(5, 0, {0, 0, 0, 0}),
                              "this line is no record", ":00000001FF"});
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_TRUE(r.hex(text));
    EXPECT_EQ(r.at(0xC0000), 9);
    EXPECT_EQ(r.at(0xC0100), 1);
    EXPECT_EQ(r.at(0xC0101), 2); // the same byte twice is no conflict
}

// A file cut short, two records that disagree, a record outside the area:
// each is refused, and the problem names what and where.
TEST(DataFileReader, CutShortContradictoryAndOutsideFilesNameTheirCause)
{
    const std::string seg = intelSegment(0xC000);
    struct Case {
        const char* name;
        DataFormat format;
        std::string text;
        std::optional<DataFileProblem> problem; // none: accepted
    };
    DataFileProblem conflict = problemOf(DataFileRule::Conflict, 2, 0xC0012);
    conflict.otherLine = 4;
    DataFileProblem outside = problemOf(DataFileRule::OutsideArea, 2, 0xBFFF0);
    outside.areaStart = 0xC0000;
    outside.areaEnd = 0xFFFFF;
    const std::vector<Case> cases{
        {"hex without end record", DataFormat::IntelHex, lines({seg, intelData(0, {1})}),
         problemOf(DataFileRule::NoEndRecord)},
        {"S2 without S7/S8/S9", DataFormat::SRecord, lines({sRecord('2', 0xC0000, {1})}),
         problemOf(DataFileRule::NoEndRecord)},
        {"S2 ended by S9", DataFormat::SRecord, lines({sRecord('2', 0xC0000, {1}), sRecord('9', 0, {})}), {}},
        {"contradictory overlap", DataFormat::IntelHex,
         lines({seg, intelData(0x10, {1, 2, 3}), intelData(0x20, {4}), intelData(0x11, {2, 9}), ":00000001FF"}),
         conflict},
        {"redundant overlap",
         DataFormat::IntelHex,
         lines({seg, intelData(0, {1, 2, 3}), intelData(1, {2, 3}), ":00000001FF"}),
         {}},
        {"outside the area", DataFormat::SRecord,
         lines({sRecord('2', 0xC0000, {1}), sRecord('2', 0xBFFF0, {2}), "S804000000FB"}), outside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reader r;
        const bool read = r.read(c.text, c.format);
        EXPECT_EQ(r.problem, c.problem);
        EXPECT_EQ(r.at(0xC0000), read ? 1 : 0xFF);
    }
}

TEST(DataFileReader, IntelHexEndOfReading)
{
    // Lines after ":00000001FF" are not read, even bad ones.
    Reader r;
    EXPECT_TRUE(
        r.hex(lines({intelSegment(0xC000), intelData(0, {1}), ":00000001FF", intelData(1, {2}), ":10000000ZZ"})));
    EXPECT_EQ(r.at(0xC0001), 0xFF);
    // A data record with byte count 0 ends the reading too.
    Reader z;
    EXPECT_TRUE(z.hex(lines({intelSegment(0xC000), intelData(0, {1}), ":0000000000", intelData(1, {2})})));
    EXPECT_EQ(z.at(0xC0001), 0xFF);
    // An end record carrying data stores it, then ends.
    Reader e;
    EXPECT_TRUE(e.hex(lines({intelSegment(0xC000), intelRecord(1, 0x0005, {0x55}), intelData(6, {0x66})})));
    EXPECT_EQ(e.at(0xC0005), 0x55);
    EXPECT_EQ(e.at(0xC0006), 0xFF);
}

TEST(DataFileReader, SRecordTypes)
{
    Reader r;
    ASSERT_TRUE(r.srec(lines({"S0030000FC", sRecord('2', 0xC0000, {1, 2}), sRecord('3', 0x000FFFFE, {3, 4}),
                              sRecord('1', 0x1234, {9}), "S5030001FB", sRecord('9', 0, {}), sRecord('2', 0xC0010, {5}),
                              "S804000000FB", sRecord('2', 0xC0020, {6})})));
    EXPECT_EQ(r.at(0xC0000), 1);
    EXPECT_EQ(r.at(0xC0001), 2);
    EXPECT_EQ(r.at(0xFFFFE), 3);
    EXPECT_EQ(r.at(0xFFFFF), 4);
    EXPECT_EQ(r.at(0xC0010), 5);    // S9 does not end the reading
    EXPECT_EQ(r.at(0xC0020), 0xFF); // S8 does

    // S2 / S3 without data end the reading; S7 / S8 with data store, then end.
    Reader e;
    EXPECT_TRUE(e.srec(lines({sRecord('2', 0xC0002, {2}), sRecord('2', 0xC0000, {}), sRecord('2', 0xC0001, {1})})));
    EXPECT_EQ(e.at(0xC0001), 0xFF);
    Reader e3;
    EXPECT_TRUE(e3.srec(lines({sRecord('2', 0xC0002, {2}), sRecord('3', 0xC0000, {}), sRecord('2', 0xC0001, {1})})));
    EXPECT_EQ(e3.at(0xC0001), 0xFF);
    Reader e7;
    EXPECT_TRUE(e7.srec(lines({sRecord('7', 0xC0003, {7}), sRecord('2', 0xC0004, {1})})));
    EXPECT_EQ(e7.at(0xC0003), 7);
    EXPECT_EQ(e7.at(0xC0004), 0xFF);
    Reader e8;
    EXPECT_TRUE(e8.srec(lines({sRecord('8', 0xC0005, {8}), sRecord('2', 0xC0006, {1})})));
    EXPECT_EQ(e8.at(0xC0005), 8);
    EXPECT_EQ(e8.at(0xC0006), 0xFF);
}

TEST(DataFileReader, LinesOfAnyLengthAndBothLineEnds)
{
    // A 255-byte record (521 characters) is read whole.
    std::vector<std::uint8_t> big = test::randomBytes(255, 1);
    std::vector<std::uint8_t> wide = test::randomBytes(250, 2);   // the longest S3 record
    std::vector<std::uint8_t> s2(big.begin(), big.begin() + 251); // the longest S2 record
    Reader r;
    ASSERT_TRUE(r.hex(intelSegment(0xD000) + "\n" + intelData(0x0000, big) + "\r\n\r\n\n" + ":00000001FF"));
    EXPECT_TRUE(std::equal(big.begin(), big.end(), r.user.begin() + 0x10000));
    ASSERT_TRUE(r.srec("\n\n" + sRecord('3', 0xE0000, wide) + "\n" + sRecord('2', 0xE0100, s2)));
    EXPECT_TRUE(std::equal(wide.begin(), wide.end(), r.user.begin() + 0x20000));
    EXPECT_TRUE(std::equal(s2.begin(), s2.end(), r.user.begin() + 0x20100));

    // Lone CR line ends: every record is read, not only the first.
    Reader cr;
    ASSERT_TRUE(cr.srec(sRecord('2', 0xC0000, {1, 2}) + "\r" + sRecord('2', 0xC0010, {3}) + "\r\r"
                        + sRecord('2', 0xC0020, {4}) + "\rS804000000FB\r" + sRecord('2', 0xC0030, {5})));
    EXPECT_EQ(cr.at(0xC0001), 2);
    EXPECT_EQ(cr.at(0xC0010), 3);
    EXPECT_EQ(cr.at(0xC0020), 4);
    EXPECT_EQ(cr.at(0xC0030), 0xFF); // behind the end record
    Reader crHex;
    ASSERT_TRUE(crHex.hex(intelSegment(0xC000) + "\r" + intelData(0x10, {7}) + "\r" + intelData(0x20, {8})));
    EXPECT_EQ(crHex.at(0xC0010), 7);
    EXPECT_EQ(crHex.at(0xC0020), 8);

    // A long line never lends its tail as a record of its own: the tail of
    // this comment line is a valid record when cut at 99 characters.
    Reader t;
    const std::string tail = intelData(0x0000, {0x42});
    const std::string longLine = std::string(99, 'x') + tail;
    EXPECT_TRUE(t.hex(lines({intelSegment(0xC000), intelData(0x10, {5}), longLine, ":00000001FF"})));
    EXPECT_EQ(t.at(0xC0000), 0xFF);
}

TEST(DataFileReader, MalformedRecordsLoadNothing)
{
    const std::string good = intelSegment(0xC000) + "\n" + intelData(0, {1, 2, 3}) + "\n";
    const std::string hexCases[] = {
        ":10000000FFFF\n",   // byte count promises more than the line holds
        ":0300000001020\n",  // check sum cut off
        ":02000000FFZZ00\n", // no hex digit in the data
        ":020G0000FFFF00\n", // nor in the address
        ":G2000000FFFF00\n", // nor in the count
        ":02000002C0\n",     // segment value missing
        ":020000040X00F0\n", // bad linear value
    };
    for (const auto& bad : hexCases) {
        Reader r;
        EXPECT_FALSE(r.hex(good + bad + ":00000001FF\n")) << bad;
        EXPECT_EQ(r.rule(), DataFileRule::Malformed) << bad;
        EXPECT_EQ(r.user, blankImage(Area::UserRom)) << bad;
    }
    const std::string sCases[] = {
        "S2140C0000FFFF\n", // count promises more
        "S2030C00\n",       // count too small for the address
        "S205 C00001234\n", // bad address character
        "S2050C0000G1FF\n", // bad data character
        "S2\n",             // no count at all
        "S804000000\n",     // end record cut short
    };
    for (const auto& bad : sCases) {
        Reader r;
        EXPECT_FALSE(r.srec(sRecord('2', 0xC0000, {1}) + "\n" + bad)) << bad;
        EXPECT_EQ(r.rule(), DataFileRule::Malformed) << bad;
        EXPECT_EQ(r.at(0xC0000), 0xFF) << bad;
    }
    // Records of no interest are never examined.
    Reader ok;
    EXPECT_TRUE(ok.srec("S1zz\nS5\nS9\nS0garbage\n" + sRecord('2', 0xC0000, {1})));
    EXPECT_TRUE(ok.hex(good + ":0300000300ZZ\n:02000005\n"));
}

// A file that puts no byte into the area would program a blank chip: it is
// refused, saying which format it was read as, and nothing changes.
TEST(DataFileReader, AFileThatGivesTheAreaNoByteIsAFormatError)
{
    struct Case {
        std::string text;
        DataFormat format;
    };
    const Case cases[] = {
        {"", DataFormat::IntelHex},
        {"root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1::/usr/sbin:/bin/false\n", DataFormat::IntelHex},
        {lines({intelSegment(0xC000), ":00000001FF"}), DataFormat::IntelHex},
        {lines({intelSegment(0xC000), ":0000000000", intelData(1, {2})}), DataFormat::IntelHex},
        {"", DataFormat::SRecord},
        {lines({sRecord('1', 0x0000, {1, 2, 3}), sRecord('9', 0, {})}), DataFormat::SRecord},
        {lines({sRecord('2', 0xC0000, {}), sRecord('2', 0xC0001, {1})}), DataFormat::SRecord},
    };
    for (const Case& c : cases) {
        Reader r;
        r.user[0] = 0x12;
        EXPECT_FALSE(c.format == DataFormat::IntelHex ? r.hex(c.text) : r.srec(c.text)) << c.text;
        DataFileProblem noData = problemOf(DataFileRule::NoData);
        noData.sRecords = c.format == DataFormat::SRecord;
        EXPECT_EQ(r.problem, noData) << c.text;
        EXPECT_EQ(r.at(0xC0000), 0x12) << c.text;
    }
}

TEST(DataFileReader, OutOfAreaRecordsRejectTheWholeFile)
{
    Reader r;
    r.user[0] = 0x12;
    // The record's last byte one past the area end.
    EXPECT_FALSE(r.srec(lines({sRecord('2', 0xC0000, {1, 2}), sRecord('2', 0xFFFFF, {1, 2})})));
    EXPECT_EQ(r.rule(), DataFileRule::OutsideArea);
    EXPECT_EQ(r.user[0], 0x12);
    EXPECT_EQ(r.user[1], 0xFF);
    // Below the area start; the rest of the file is not read (no format error).
    Reader b;
    EXPECT_FALSE(b.srec(lines({sRecord('2', 0xBFFFF, {1, 2}), "S2FF"})));
    EXPECT_EQ(b.rule(), DataFileRule::OutsideArea);
    // S3 addresses far above never wrap back into the area.
    Reader w;
    EXPECT_FALSE(w.srec(sRecord('3', 0xFFFFFFFF, {1, 2})));
    EXPECT_EQ(w.rule(), DataFileRule::OutsideArea);
    // Exactly at both ends is fine.
    Reader e;
    EXPECT_TRUE(e.srec(lines({sRecord('2', 0xC0000, {1}), sRecord('2', 0xFFFFE, {2, 0xFF})})));
    EXPECT_EQ(e.at(0xFFFFE), 2);
}

TEST(DataFileReader, BootRomArea)
{
    Reader r;
    ASSERT_TRUE(r.srec(sRecord('2', 0xFE000, {'B', 'T'}), Area::BootRom));
    EXPECT_EQ(r.boot[0], 'B');
    EXPECT_EQ(r.boot[1], 'T');
    EXPECT_EQ(r.user, blankImage(Area::UserRom));
    // The Boot ROM asks no protect question, whatever its last byte.
    EXPECT_TRUE(r.srec(sRecord('2', 0xFFFFF, {0x3F}), Area::BootRom));
    EXPECT_TRUE(r.asked.empty());
    EXPECT_FALSE(r.srec(sRecord('2', 0xFDFFF, {1}), Area::BootRom));
    EXPECT_EQ(r.rule(), DataFileRule::OutsideArea);
}

TEST(DataFileReader, AreaLongerThanItsImageIsClipped)
{
    Reader r;
    r.device.userRomStart = 0xB0000; // 0x50000 bytes: more than the image
    EXPECT_TRUE(r.srec(sRecord('2', 0xEFFFF, {7})));
    EXPECT_EQ(r.user[0x3FFFF], 7);
    EXPECT_FALSE(r.srec(sRecord('2', 0xF0000, {7})));
    EXPECT_EQ(r.rule(), DataFileRule::OutsideArea);
}

TEST(DataFileReader, ProtectQuestionUsesTheFileData)
{
    const std::string level1 = sRecord('2', 0xFFFF0, {1, 2, 3}) + "\n" + sRecord('2', 0xFFFFF, {0x3F});
    Reader cancel;
    cancel.answers = {false};
    EXPECT_FALSE(cancel.srec(level1));
    EXPECT_EQ(cancel.asked, std::vector<int>{1});
    DataFileProblem declined = problemOf(DataFileRule::ProtectedDeclined);
    declined.protectLevel = 1;
    EXPECT_EQ(cancel.problem, declined);
    EXPECT_EQ(cancel.user, blankImage(Area::UserRom));
    EXPECT_EQ(cancel.levelSeen, 1);

    Reader ok;
    ok.answers = {true};
    EXPECT_TRUE(ok.srec(level1));
    EXPECT_EQ(ok.at(0xFFFF0), 1);
    EXPECT_EQ(ok.at(0xFFFFF), 0x3F);

    Reader level2;
    level2.answers = {false};
    EXPECT_FALSE(level2.srec(sRecord('2', 0xFFFFF, {0xF3})));
    EXPECT_EQ(level2.asked, std::vector<int>{2});
    EXPECT_EQ(level2.levelSeen, 2);

    // No decision given: a protected program is loaded.
    Reader r;
    EXPECT_FALSE(readDataText(r.device, Area::UserRom, r.user, level1 + "\nS9030000FC", DataFormat::SRecord));
    EXPECT_EQ(r.at(0xFFFFF), 0x3F);

    // No data at the protect byte: the blank 0xFF stays and nothing is asked.
    Reader none;
    EXPECT_TRUE(none.srec(sRecord('2', 0xC0000, {1})));
    EXPECT_TRUE(none.asked.empty());
    EXPECT_EQ(none.levelSeen, 0);

    // The image's own last byte counts when the file leaves it (project open
    // reads into an image that is not blank).
    Reader kept;
    kept.user.back() = 0x7F;
    kept.answers = {false};
    EXPECT_FALSE(kept.srec(sRecord('2', 0xC0000, {1})));
    EXPECT_EQ(kept.asked, std::vector<int>{1});
    EXPECT_EQ(kept.at(0xC0000), 0xFF);

    // An address error comes before any question and sets no level.
    Reader bad;
    EXPECT_FALSE(bad.srec(sRecord('2', 0xFFFFF, {0x3F}) + "\n" + sRecord('2', 0x100000, {1})));
    EXPECT_EQ(bad.rule(), DataFileRule::OutsideArea);
    EXPECT_EQ(bad.levelSeen, -1);
}

// The records are kept until the file is accepted, then placed in file
// order: where they overlap the later one wins, also for the protect byte.
// Read onto a blank image, the bytes the file leaves are FF, not the old ones.
TEST(DataFileReader, OverlappingRecordsAndAReadOntoABlankImage)
{
    const std::string overlap = sRecord('2', 0xFFFFE, {1, 0x3F}) + "\n" + sRecord('2', 0xFFFFF, {0x3F}) + "\n"
        + sRecord('2', 0xC0000, {5, 6}) + "\n" + sRecord('2', 0xC0001, {6}) + "\nS804000000FB";
    Reader r;
    r.user[0x10] = 0x55; // not in the file
    r.answers = {true};
    EXPECT_TRUE(r.srec(overlap));
    EXPECT_EQ(r.asked, std::vector<int>{1});
    EXPECT_EQ(r.levelSeen, 1);
    EXPECT_EQ(r.at(0xFFFFE), 1);
    EXPECT_EQ(r.at(0xC0000), 5);
    EXPECT_EQ(r.at(0xC0001), 6);
    EXPECT_EQ(r.at(0xC0010), 0x55);

    struct Case {
        ReadOnto onto;
        bool accepted;
        std::uint8_t at10; // what byte C0010 holds afterwards
    };
    for (const Case& c : {Case{ReadOnto::Image, false, 0x55}, Case{ReadOnto::BlankImage, false, 0x55},
                          Case{ReadOnto::BlankImage, true, 0xFF}}) {
        Reader b;
        b.user[0x10] = 0x55;
        b.user.back() = 0x7F; // a level 1 image: only a blank one asks nothing
        const bool read = b.read(c.accepted ? sRecord('2', 0xC0000, {1}) + "\nS804000000FB" : "S2", DataFormat::SRecord,
                                 Area::UserRom, c.onto);
        EXPECT_EQ(read, c.accepted);
        EXPECT_EQ(b.at(0xC0010), c.at10);
    }
}

TEST(DataFileReader, FilesAndTheirTypes)
{
    test::ScratchDir dir;
    const std::string hex = lines({intelSegment(0xC000), intelData(0, {0x11}), ":00000001FF"});
    const std::string mot = lines({"S0030000FC", sRecord('2', 0xC0000, {0x22}), "S804000000FB"});
    struct Case {
        std::string name;
        std::string text;
        std::uint8_t expected;
    };
    std::filesystem::create_directories(dir / "folder.hex");
    const Case cases[] = {
        {"a.hex", hex, 0x11}, {"b.HEX", hex, 0x11},        {"c.Hx", hex, 0x11},
        {"d.mot", mot, 0x22}, {"e.btp", mot, 0x22},        {"f.s28", mot, 0x22},
        {"noext", mot, 0x22}, {"folder.hex/g", mot, 0x22}, {"h.x.hex", hex, 0x11},
    };
    for (const auto& c : cases) {
        test::writeText(dir / c.name, c.text);
        Reader r;
        EXPECT_TRUE(r.file(dir / c.name)) << c.name;
        EXPECT_EQ(r.at(0xC0000), c.expected) << c.name;
    }
    Reader missing;
    missing.user[5] = 0x55;
    EXPECT_FALSE(missing.file(dir / "missing.hex"));
    DataFileProblem notRead = problemOf(DataFileRule::CannotRead);
    notRead.file = (dir / "missing.hex").string();
    EXPECT_EQ(missing.problem, notRead);
    EXPECT_EQ(missing.user[5], 0x55);
    // A folder cannot be read as a file.
    Reader folder;
    EXPECT_FALSE(folder.file(dir / "folder.hex"));
    EXPECT_EQ(folder.rule(), DataFileRule::CannotRead);
}

TEST(DataFileReader, HugeFilesAreRefusedWithoutEatingTheMemory)
{
    test::ScratchDir dir;
    // Far beyond any data file; sparse, so it costs no disk.
    const auto huge = dir / "huge.mot";
    test::writeText(huge, sRecord('2', 0xC0000, {1}) + "\n");
    std::filesystem::resize_file(huge, test::kHugeFileSize);
    Reader r;
    r.user[0] = 0x55;
    EXPECT_FALSE(r.file(huge));
    EXPECT_EQ(r.rule(), DataFileRule::TooLarge);
    EXPECT_EQ(r.user[0], 0x55);
#ifndef _WIN32
    // An endless device is no data file: it is not read at all.
    Reader endless;
    EXPECT_FALSE(endless.file("/dev/zero"));
    EXPECT_EQ(endless.rule(), DataFileRule::CannotRead);
#endif
}

TEST(FileType, CharacterAfterTheLastDotOfTheName)
{
    EXPECT_EQ(fileTypeCharacter("prog.hex"), 'H');
    EXPECT_EQ(fileTypeCharacter("/a.b/prog.mot"), 'M');
    EXPECT_EQ(fileTypeCharacter("/a.hex/prog"), 0);
    EXPECT_EQ(fileTypeCharacter("prog."), 0);
    EXPECT_EQ(fileTypeCharacter("x.tar.btp"), 'B');
    EXPECT_EQ(dataFormatFor("UP.HEX"), DataFormat::IntelHex);
    EXPECT_EQ(dataFormatFor("up.btp"), DataFormat::SRecord);
    EXPECT_EQ(dataFormatFor("up"), DataFormat::SRecord);
}

} // namespace
} // namespace plx71
