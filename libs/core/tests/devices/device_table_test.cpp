#include "plx71/devices/device_table.hpp"
#include "plx71/testing/default_device.hpp"
#include "plx71/testing/scratch_dir.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "../portable_env.hpp"

using namespace plx71;

namespace {

using test::kDefaultDeviceLine;

std::vector<std::string> names(const DeviceTable& t)
{
    std::vector<std::string> n;
    for (const auto& r : t.records)
        n.push_back(r.name);
    return n;
}

bool skippedLine(const DeviceTable& t, int line)
{
    for (const auto& s : t.skipped)
        if (s.lineNumber == line && !s.reason.empty())
            return true;
    return false;
}

// Switches LC_NUMERIC to a locale whose decimal point is a comma; builds one
// with localedef into a temporary folder when the system has none installed.
class CommaDecimalLocale {
public:
    CommaDecimalLocale()
    {
        if (tryLocale())
            return;
#ifndef _WIN32
        dir_ = std::filesystem::temp_directory_path() / ("plx71-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        const std::string cmd = "localedef -i de_DE -f UTF-8 '" + (dir_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        (void)std::system(cmd.c_str());
        plx71::test::setEnv("LOCPATH", dir_.c_str());
        tryLocale();
#endif
    }
    ~CommaDecimalLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
        if (!dir_.empty()) {
            plx71::test::unsetEnv("LOCPATH");
            std::error_code ec;
            std::filesystem::remove_all(dir_, ec);
        }
    }
    bool active() const
    {
        return active_;
    }

private:
    bool tryLocale()
    {
#ifdef _WIN32
        const char* name = "de-DE"; // the Windows runtime knows no POSIX locale names
#else
        const char* name = "de_DE.UTF-8";
#endif
        active_ = std::setlocale(LC_NUMERIC, name) != nullptr && std::localeconv()->decimal_point[0] == ',';
        return active_;
    }
    std::filesystem::path dir_;
    bool active_ = false;
};

} // namespace

TEST(DeviceTable, ReadsTheDefaultRecordAndDerivesItsFields)
{
    auto t = parseDeviceTable(std::string(kDefaultDeviceLine) + "\n");
    ASSERT_EQ(t.records.size(), 1u);
    const DeviceRecord& d = t.records[0];
    EXPECT_EQ(d.name, "M30624FGFP");
    EXPECT_EQ(d.bootRomStart, 0xFE000u);
    EXPECT_EQ(d.bootRomEnd, 0xFFFFFu);
    EXPECT_EQ(d.bootRomSize, 0x2000u);
    EXPECT_EQ(d.userRomStart, 0xC0000u);
    EXPECT_EQ(d.userRomEnd, 0xFFFFFu);
    EXPECT_EQ(d.userRomSize, 0x40000u);
    EXPECT_EQ(d.lastBlock, 6);
    EXPECT_EQ(d.allBlocksMask, 0x7F);
    EXPECT_EQ(d.vcc, 50);
    EXPECT_EQ(d.vpp, 50);
    EXPECT_EQ(d, test::defaultDevice());
    EXPECT_TRUE(t.skipped.empty());
    EXPECT_EQ(t.find("M30624FGFP"), 0);
    EXPECT_EQ(t.find("m30624fgfp"), -1);
}

TEST(DeviceTable, CommentsLineEndsAndTheEndOfTheTable)
{
    // "//" lines are comments anywhere; a blank before "//" makes a record
    // (which then has no fields and is skipped, so it is listed).
    const std::string text = "// header\r\n"
                             "A1,FE000,2000,C0000,40000,6,5.0V,5.0V\r\n"
                             "// middle\n"
                             " //X,FE000,2000,C0000,40000,6,5.0V,5.0V\n"
                             "A2,FE000,2000,C0000,40000,6,5.0V,5.0V";
    auto t = parseDeviceTable(text);
    EXPECT_EQ(names(t), (std::vector<std::string>{"A1", " //X", "A2"}));
    EXPECT_EQ(t.records[0].vpp, 50) << "CR LF line end must not disturb the last field";
    EXPECT_TRUE(t.skipped.empty());

    // An empty line ends the table, also as CR LF; so does a tab, DEL or an 8-bit byte.
    for (std::string stop : {"\n", "\r\n", "\tA3,FE000,2000,C0000,40000,6,5.0V,5.0V\n",
                             "\x7F"
                             "A3,FE000,2000,C0000,40000,6,5.0V,5.0V\n",
                             "\xC4"
                             "A3,FE000,2000,C0000,40000,6,5.0V,5.0V\n"}) {
        auto s = parseDeviceTable("A1,FE000,2000,C0000,40000,6,5.0V,5.0V\n" + stop
                                  + "A4,FE000,2000,C0000,40000,6,5.0V,5.0V\n");
        EXPECT_EQ(names(s), (std::vector<std::string>{"A1"})) << "stop line " << int(stop[0]);
    }
    // A final line end is not an empty line.
    EXPECT_EQ(parseDeviceTable("A1,FE000,2000,C0000,40000,6,5.0V,5.0V\n").records.size(), 1u);
    EXPECT_TRUE(parseDeviceTable("").records.empty());
}

TEST(DeviceTable, VoltagesAndBlockMasks)
{
    auto t = parseDeviceTable("V1,FE000,2000,C0000,40000,6,3.3V,12V\n"
                              "V2,FE000,2000,C0000,40000,0, 5.0V, 12.0V\n"
                              "V3,0xFE000,0x2000, c0000 ,40000,1,2.75V,4.99V\n"
                              "V4,FE000,2000,C0000,40000,9,5.0V,5.0V\n");
    ASSERT_EQ(t.records.size(), 2u);
    EXPECT_EQ(t.records[0].vcc, 33);
    EXPECT_EQ(t.records[0].vpp, 120);
    EXPECT_EQ(t.records[0].allBlocksMask, 0x7F);
    EXPECT_EQ(t.records[1].vcc, 50);
    EXPECT_EQ(t.records[1].vpp, 120);
    EXPECT_EQ(t.records[1].allBlocksMask, 0x01);
    // " c0000 ," has a blank before its comma, which "%x," does not accept.
    EXPECT_TRUE(skippedLine(t, 3));
    // Highest block 9 would give mask 0xFF, but the block tables know 0..6.
    EXPECT_TRUE(skippedLine(t, 4));
    EXPECT_EQ(allBlocksMaskFor(9), 0xFF);
    EXPECT_EQ(allBlocksMaskFor(-1), 0x00);

    auto u = parseDeviceTable("V5,0xFE000,0x2000,C0000,40000,1,2.75V,4.99V\n");
    ASSERT_EQ(u.records.size(), 1u);
    EXPECT_EQ(u.records[0].vcc, 27);
    EXPECT_EQ(u.records[0].vpp, 49);
    EXPECT_EQ(u.records[0].allBlocksMask, 0x03);
}

TEST(DeviceTable, VoltagesDoNotDependOnTheLocale)
{
    CommaDecimalLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no comma-decimal locale available and localedef could not build one";
    auto t = parseDeviceTable("V1,FE000,2000,C0000,40000,6,3.3V,12.5V\n");
    ASSERT_EQ(t.records.size(), 1u);
    EXPECT_EQ(t.records[0].vcc, 33);
    EXPECT_EQ(t.records[0].vpp, 125);
}

TEST(DeviceTable, BrokenRecordsAreSkippedAndListed)
{
    const std::string longName(101, 'N');
    const std::string text = "OK1,FE000,2000,C0000,40000,6,5.0V,5.0V\n"        // 1
                             "no comma at all\n"                               // 2
                             "F1,FE000,2000,C0000\n"                           // 3 too few fields
                             "F2,FE000,2000,C0000,40000,6\n"                   // 4 no Vcc
                             "F3,FE000,2000,C0000,40000,6,5.0V\n"              // 5 no Vpp
                             "F4,FE000,2000,C0000,50000,6,5.0V,5.0V\n"         // 6 User ROM too big
                             "F5,FE000,4000,C0000,40000,6,5.0V,5.0V\n"         // 7 Boot ROM too big
                             "F6,FE000,0,C0000,40000,6,5.0V,5.0V\n"            // 8 Boot ROM empty
                             "F7,FE000,2000,C0000,0,6,5.0V,5.0V\n"             // 9 User ROM empty
                             "F8,FE000,2000,C0000,40000,-1,5.0V,5.0V\n"        // 10 negative block
                             "F9,FFFFF000,2000,C0000,40000,6,5.0V,5.0V\n"      // 11 wraps
                             "F10,FE000,2000,C0000,40000,6,xV,5.0V\n"          // 12 Vcc not a number
                             "F11,FE000,2000,C0000,1FFFFFFFF,6,5.0V,5.0V\n"    // 13 above 32 bits
                             ",FE000,2000,C0000,40000,6,5.0V,5.0V\n"           // 14 empty name
        + longName + ",FE000,2000,C0000,40000,6,5.0V,5.0V\n"                   // 15 too long
        + "L" + std::string(90, 'x') + ",FE000,2000,C0000,40000,6,5.0V,5.0V\n" // 16
        + "// " + std::string(200, '-') + "\n"                                 // long comment
        + "OK2,FE000,2000,C0000,40000,6,5.0V,5.0V\n";                          // 18
    auto t = parseDeviceTable(text);
    EXPECT_EQ(names(t), (std::vector<std::string>{"OK1", "OK2"}));
    ASSERT_EQ(t.skipped.size(), 15u);
    for (int line = 2; line <= 16; ++line)
        EXPECT_TRUE(skippedLine(t, line)) << "line " << line;

    // The longest line that fits: 98 characters and its line end.
    std::string fits = "N,FE000,2000,C0000,40000,6,5.0V,5.0V";
    fits.insert(1, std::string(98 - fits.size(), 'n'));
    ASSERT_EQ(fits.size(), 98u);
    EXPECT_EQ(parseDeviceTable(fits + "\n").records.size(), 1u);
    EXPECT_EQ(parseDeviceTable(fits + "\r\n").records.size(), 1u);
    EXPECT_EQ(parseDeviceTable("x" + fits + "\n").skipped.size(), 1u);
}

TEST(DeviceTable, KeepsAtMost256Records)
{
    std::string text;
    for (int i = 0; i < 260; ++i)
        text += "D" + std::to_string(i) + ",FE000,2000,C0000,40000,6,5.0V,5.0V\n";
    auto t = parseDeviceTable(text);
    ASSERT_EQ(t.records.size(), kMaxDeviceRecords);
    EXPECT_EQ(t.records.back().name, "D255");
    ASSERT_EQ(t.skipped.size(), 4u);
    EXPECT_EQ(t.skippedCount, 4u);
    EXPECT_EQ(t.skipped[0].lineNumber, 257);
}

TEST(DeviceTable, SkippedLinesAreCountedButOnlyTheFirstHundredListed)
{
    const auto file = std::filesystem::path(PLX71_BINARY_DIR) / ("junk-table-" + std::to_string(getpid()) + ".tbl");
    std::string junk;
    for (int i = 0; i < 150; ++i)
        junk += "junk line " + std::to_string(i) + "\n";
    struct Case {
        const char* name;
        std::string text;
        bool usable;
    };
    const Case cases[] = {
        {"junk only", junk, false},
        {"comments only", "// one\n// two\n", false},
        {"empty", "", false},
        {"junk and one record", junk + test::kDefaultDeviceLine + "\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.text;
        auto t = loadDeviceTable(file);
        // A table without one device type is reported like a missing one.
        ASSERT_EQ(t.has_value(), c.usable);
        if (!c.usable)
            continue;
        EXPECT_EQ(names(*t), std::vector<std::string>{"M30624FGFP"});
        ASSERT_EQ(t->skipped.size(), kMaxListedSkippedLines);
        EXPECT_EQ(t->skipped.back().lineNumber, 100);
        EXPECT_EQ(t->skippedCount, 150u);
    }
    std::filesystem::remove(file);
}

TEST(DeviceTable, ShippedTableAndFileLookup)
{
    const std::filesystem::path shipped = std::filesystem::path(PLX71_SOURCE_DIR) / "resources" / "plx71typ.tbl";
    auto t = loadDeviceTable(shipped);
    ASSERT_TRUE(t.has_value());
    EXPECT_GE(t->records.size(), 8u);
    EXPECT_TRUE(t->skipped.empty());
    ASSERT_GE(t->find("M30624FGFP"), 0);
    EXPECT_EQ(t->records[std::size_t(t->find("M30624FGFP"))].allBlocksMask, 0x7F);
    for (const auto& r : t->records)
        EXPECT_TRUE(fitsImages(r)) << r.name;

    EXPECT_FALSE(loadDeviceTable(std::filesystem::path(PLX71_BINARY_DIR) / "no-such-dir" / "plx71typ.tbl"));
    EXPECT_FALSE(loadDeviceTable(std::filesystem::path(PLX71_SOURCE_DIR)));

    // A huge file is read only as far as any table can reach: the records at
    // its start count, and the line cut at the limit is not taken.
    const auto huge = std::filesystem::path(PLX71_BINARY_DIR) / ("huge-table-" + std::to_string(getpid()) + ".tbl");
    {
        std::ofstream out(huge, std::ios::binary);
        out << kDefaultDeviceLine << "\n";
        for (int i = 0; i < 250000; ++i) // about 6 MB, past the limit
            out << "// comment line " << i << "\n";
        out << "M30620FCFP,FE000,2000,E0000,20000,4,5.0V,5.0V\n";
    }
    std::filesystem::resize_file(huge, test::kHugeFileSize); // sparse: costs no disk
    auto big = loadDeviceTable(huge);
    std::filesystem::remove(huge);
    ASSERT_TRUE(big.has_value());
    EXPECT_EQ(names(*big), std::vector<std::string>{"M30624FGFP"});
    EXPECT_TRUE(big->skipped.empty());

    // The table is looked for beside the executable, whatever the current directory.
    EXPECT_EQ(deviceTableBeside("/opt/plx/bin/PLX71RD"), std::filesystem::path("/opt/plx/bin/plx71typ.tbl"));
    const auto exe = currentExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(std::filesystem::exists(exe));
    EXPECT_EQ(exe.stem(), "core_devices_tests"); // ".exe" on Windows
}

TEST(DeviceRecord, DefaultsFitAndVoltageText)
{
    const DeviceRecord d = startupDefaultDevice();
    EXPECT_EQ(d.name, "M30624FGFP");
    EXPECT_EQ(d.userRomSize, 0u);
    EXPECT_EQ(d.bootRomSize, 0u);
    EXPECT_TRUE(fitsImages(d)) << "judged on the areas, not the size fields";

    DeviceRecord big = d;
    big.userRomStart = 0xBFFFF;
    EXPECT_FALSE(fitsImages(big));
    DeviceRecord inverted = d;
    inverted.bootRomEnd = inverted.bootRomStart - 1;
    EXPECT_FALSE(fitsImages(inverted));
    DeviceRecord blocks = d;
    blocks.lastBlock = 7;
    EXPECT_FALSE(fitsImages(blocks));

    EXPECT_EQ(formatVoltage(50), "5.0V");
    EXPECT_EQ(formatVoltage(33), "3.3V");
    EXPECT_EQ(formatVoltage(120), "12.0V");
}
