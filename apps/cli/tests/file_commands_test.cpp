#include "cli_runner.hpp"
#include "plx71/testing/record_text.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace plx71::cli::test;

namespace {

// One Intel HEX data record with its check sum.
std::string hexRecord(std::uint16_t address, std::uint8_t type, const std::vector<std::uint8_t>& data)
{
    return plx71::test::intelRecord(type, address, data) + "\r\n";
}

// A User ROM program for the default device: a few bytes at 0xC0000, the ID
// bytes and the protect byte at the top of the area.
std::string userProgram(std::uint8_t protect)
{
    std::string s = hexRecord(0, 0x02, {0xC0, 0x00}); // segment 0xC000 -> base 0xC0000
    s += hexRecord(0x0000, 0x00, {0x01, 0x02, 0x03, 0x04});
    s += hexRecord(0, 0x02, {0xF0, 0x00});
    s += hexRecord(0xFFDF, 0x00, {0x11});
    s += hexRecord(0xFFE3, 0x00, {0x22});
    s += hexRecord(0xFFEB, 0x00, {0x33});
    s += hexRecord(0xFFEF, 0x00, {0x44});
    s += hexRecord(0xFFF3, 0x00, {0x55});
    s += hexRecord(0xFFF7, 0x00, {0x66});
    s += hexRecord(0xFFFB, 0x00, {0x77});
    s += hexRecord(0xFFFF, 0x00, {protect});
    s += ":00000001FF\r\n";
    return s;
}

} // namespace

TEST(CliDevices, ListsTheTableInOrderWithSkippedLinesOnStderr)
{
    ScratchDir dir;
    auto r = runCli("devices", dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "M30624FGFP\t0C0000-0FFFFF\t0FE000-0FFFFF\t0-6\t5.0V\t5.0V\n");
    EXPECT_NE(r.out.find("M30803FGFP\tFC0000-FFFFFF\tFFE000-FFFFFF\t0-6\t5.0V\t12.0V\n"), std::string::npos);
    EXPECT_TRUE(r.err.empty()) << r.err;

    writeText(dir / "t.tbl",
              "// test table\nA1,FE000,2000,F0000,10000,3,3.3V,5.0V\n"
              "BAD,FE000,2000,C0000,80000,6,5.0V,5.0V\n"
              "B2,FE000,2000,E0000,20000,4,5.0V,12V\n");
    r = runCli("devices --table t.tbl", dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "A1\t0F0000-0FFFFF\t0FE000-0FFFFF\t0-3\t3.3V\t5.0V\n"
              "B2\t0E0000-0FFFFF\t0FE000-0FFFFF\t0-4\t5.0V\t12.0V\n");
    EXPECT_EQ(r.err.rfind("3: ", 0), 0u) << r.err;

    // A table with no usable record is as good as a missing one.
    writeText(dir / "junk.tbl", "BAD,FE000,2000,C0000,80000,6,5.0V,5.0V\n");
    // Every command names the file given and ends as a file error.
    for (const char* table : {"missing.tbl", "junk.tbl"}) {
        for (const std::string command : {"devices", "info x.hex --device A1", "verify x.pxp"}) {
            r = runCli("--table " + std::string(table) + " " + command, dir);
            EXPECT_EQ(r.code, 3) << table << " " << command;
            EXPECT_EQ(r.err,
                      std::string("Device definition file 'plx71typ.tbl' not found\n") + table
                          + ": missing, unreadable or without a usable record\n")
                << table << " " << command;
        }
    }
}

TEST(CliInfo, ShowsChecksumIdAndProtectStateAndAsksBeforeAProtectedProgram)
{
    ScratchDir dir;
    writeText(dir / "plain.hex", userProgram(0xFF));
    auto r = runCli("info plain.hex --device M30624FGFP", dir);
    ASSERT_EQ(r.code, 0) << r.err;
    // blank area 0x3FC0000 - 4*0xFF + 1+2+3+4 - 7*0xFF + 0x11+..+0x77
    std::uint32_t sum = 0x3FC0000 - 11 * 0xFF + (1 + 2 + 3 + 4) + 17 * 28;
    char expected[128];
    std::snprintf(expected, sizeof expected, "checksum: %04X\nid: 11,22,33,44,55,66,77\nprotect: Protect removed\n",
                  sum & 0xFFFF);
    EXPECT_EQ(r.out, expected);

    // --json carries what the command prints: the info, the table rows, the
    // ranges written, the version.
    r = runCli("--json info plain.hex --device M30624FGFP", dir);
    char json[160];
    std::snprintf(
        json, sizeof json,
        ",\"exitCode\":0,\"checksum\":\"%04X\",\"id\":\"11,22,33,44,55,66,77\",\"protect\":\"Protect removed\"}\n",
        sum & 0xFFFF);
    EXPECT_NE(r.out.find(json), std::string::npos) << r.out;
    r = runCli("--json devices", dir);
    EXPECT_NE(r.out.find("{\"name\":\"M30624FGFP\",\"userRom\":\"0C0000-0FFFFF\",\"bootRom\":\"0FE000-0FFFFF\","
                         "\"lastBlock\":6,\"vcc\":\"5.0V\",\"vpp\":\"5.0V\"}"),
              std::string::npos)
        << r.out;
    r = runCli("--json convert plain.hex out.mot --device M30624FGFP", dir);
    EXPECT_NE(r.out.find("\"output\":\"out.mot\",\"ranges\":[{\"start\":\"0C0000\",\"end\":\"0FFFFF\"}]}"),
              std::string::npos)
        << r.out;
    r = runCli("--json --version", dir);
    EXPECT_EQ(r.out.rfind("{\"command\":\"version\",\"outcome\":\"success\",\"exitCode\":0,\"version\":\"", 0), 0u)
        << r.out;

    writeText(dir / "locked.hex", userProgram(0x3F));
    r = runCli("info locked.hex --device M30624FGFP", dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Level1 protect enabled\nLoad continue ? Cancel\n");

    r = runCli("info locked.hex --device M30624FGFP --yes", dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("protect: Level 1 protect enabled\n"), std::string::npos);
}

TEST(CliInfo, RefusesBadArgumentsAndBadFiles)
{
    ScratchDir dir;
    writeText(dir / "plain.hex", userProgram(0xFF));
    EXPECT_EQ(runCli("info plain.hex --device NOSUCH", dir).code, 2);
    EXPECT_EQ(runCli("info plain.hex", dir).code, 2);
    EXPECT_EQ(runCli("info plain.hex --device M30624FGFP --area middle", dir).code, 2);
    EXPECT_EQ(runCli("frobnicate", dir).code, 2);

    auto r = runCli("info nothere.hex --device M30624FGFP", dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "File not found\n");

    // 64 KiB device: the data at 0xC0000 lies outside its User ROM.
    r = runCli("info plain.hex --device M30622F8FP", dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "Invalid address contained\nline 2: address 0C0000 is outside the area 0F0000-0FFFFF\n");

    // Files that give the area no byte are never a blank chip, and say why.
    writeText(dir / "empty.hex", "");
    writeText(dir / "passwd.hex", "root:x:0:0:root:/root:/bin/bash\n");
    writeText(dir / "s1.mot", "S1060000010203F3\nS9030000FC\n");
    for (const auto& [file, reason] :
         {std::pair{"empty.hex", "no data records"}, std::pair{"passwd.hex", "no data records"},
          std::pair{"s1.mot", "no S2 or S3 data records (S1 records are not read)"}}) {
        r = runCli(std::string("info ") + file + " --device M30624FGFP", dir);
        EXPECT_EQ(r.code, 3) << file;
        EXPECT_EQ(r.err, std::string("File format error\n") + reason + "\n") << file;
    }
}

TEST(CliInfo, AWrongRecordCheckSumIsAFormatErrorNamingTheLine)
{
    ScratchDir dir;
    // The S2 record on line 2 should end in A5.
    writeText(dir / "bad.mot", "S0030000FC\r\nS20C0FE000425401312E303009A6\r\nS804000000FB\r\n");
    for (const char* command :
         {"info bad.mot --device M30624FGFP --area boot", "convert bad.mot out.hex --device M30624FGFP --area boot"}) {
        auto r = runCli(command, dir);
        EXPECT_NE(r.code, 0) << command;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_EQ(r.err, "File format error\nline 2: check sum A6, expected A5\n") << command;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.hex"));
}

TEST(CliInfo, BootRomVersionPrintsOnlyPrintableBytes)
{
    ScratchDir dir;
    // S2 record at 0xFE000: "BT\x01" then "1.00" and a tab.
    writeText(dir / "boot.btp", "S0030000FC\r\nS20C0FE000425401312E303009A5\r\nS804000000FB\r\n");
    auto r = runCli("info boot.btp --device M30624FGFP --area boot", dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("version: BT.1.00.\n"), std::string::npos) << r.out;
}

TEST(CliConvert, RoundTripsBetweenFormatsAndChecksRanges)
{
    ScratchDir dir;
    writeText(dir / "plain.hex", userProgram(0xFF));
    auto first = runCli("info plain.hex --device M30624FGFP", dir);
    ASSERT_EQ(first.code, 0);

    ASSERT_EQ(runCli("convert plain.hex all.mot --device M30624FGFP", dir).code, 0);
    ASSERT_EQ(runCli("convert all.mot back.hex --device M30624FGFP", dir).code, 0);
    EXPECT_EQ(runCli("info all.mot --device M30624FGFP", dir).out, first.out);
    EXPECT_EQ(runCli("info back.hex --device M30624FGFP", dir).out, first.out);

    auto r = runCli("convert plain.hex part.hex --device M30624FGFP --ranges \"C0000-C000F\"", dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readText(dir / "part.hex"),
              ":02000002C0003C\r\n:1000000001020304FFFFFFFFFFFFFFFFFFFFFFFFF2\r\n:00000001FF\r\n");

    r = runCli("convert plain.hex bad.hex --device M30624FGFP --ranges \"C0000-BFFFF\"", dir);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "Invalid address\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.hex"));

    r = runCli("convert plain.hex /nonexistent-dir/x.hex --device M30624FGFP", dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("/nonexistent-dir/x.hex"), std::string::npos) << r.err;
}

// info names why a file is refused: cut short, contradictory, outside the
// area; the same byte written twice loads.
TEST(CliInfo, RefusedFilesNameTheirCauseAndLines)
{
    ScratchDir dir;
    const std::string seg = hexRecord(0, 0x02, {0xC0, 0x00});
    const std::string end = ":00000001FF\r\n";
    struct Case {
        const char* file;
        std::string text;
        int code;
        std::string err;
    };
    const Case cases[] = {
        {"short.hex", seg + hexRecord(0, 0, {1, 2}), 3,
         "File format error\nno end record: the file may be cut short\n"},
        {"short.mot", plx71::test::sRecord('2', 0xC0000, {1}) + "\n", 3,
         "File format error\nno end record: the file may be cut short\n"},
        {"clash.hex", seg + hexRecord(0, 0, {1, 2}) + hexRecord(1, 0, {3}) + end, 3,
         "File format error\nlines 2 and 3 put different bytes at address 0C0001\n"},
        {"twice.hex", seg + hexRecord(0, 0, {1, 2}) + hexRecord(1, 0, {2}) + end, 0, ""},
        {"out.hex", seg + hexRecord(0, 0, {1}) + hexRecord(0, 0x02, {0xB0, 0x00}) + hexRecord(0, 0, {2}) + end, 3,
         "Invalid address contained\nline 4: address 0B0000 is outside the area 0C0000-0FFFFF\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeText(dir / c.file, c.text);
        const auto r = runCli(std::string("info --device M30624FGFP ") + c.file, dir);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.err);
    }
}
