// Every request kind, written out byte for byte, with the box's exact answer.
#include "plx71/testing/sim_wire.hpp"

namespace plx71sim::test {
namespace {

using namespace plx71::test;

const std::string kSetDevice = "16 00 10 E0 0F 08 00 00 0C 00 01 07 22 0A 4D 33 30 36 32 34 46 47 46 50 B6";

std::string pageHex(std::uint8_t first)
{
    Bytes b(256);
    for (int i = 0; i < 256; ++i)
        b[i] = static_cast<std::uint8_t>(first + i);
    return toHex(b);
}

TEST_F(BoxTest, SettingsCommandsAreAckedAndReadBackAsOneRecord)
{
    // Nothing stored yet: name length 0 and every field zero.
    EXPECT_EQ(ask("01 00 1E 1E", 0x19),
              "06 19 00 1E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
              "00 1E");

    EXPECT_EQ(ask(kSetDevice), "06");
    EXPECT_EQ(ask("02 00 18 05 1D"), "06");                         // target rate code 5
    EXPECT_EQ(ask("09 00 12 07 42 4F 4F 54 2E 4D 4F 17"), "06");    // "BOOT.MO"
    EXPECT_EQ(ask("0A 00 11 08 55 53 45 52 2E 48 45 58 6B"), "06"); // "USER.HEX"
    EXPECT_EQ(ask("02 00 1A 1D 37"), "06");                         // operation blocks 0x1D
    EXPECT_EQ(ask("02 00 19 80 99"), "06");                         // lock bits: no change
    EXPECT_EQ(ask("08 00 17 01 02 03 04 05 06 07 33"), "06");       // check ID
    EXPECT_EQ(ask("02 00 13 01 14"), "06");                         // update enable

    // Until the commit the job is not whole: the box answers as one without settings.
    EXPECT_EQ(ask("01 00 1E 1E", 0x28).substr(0, 44), "06 28 00 1E E0 0F 08 00 00 0C 00 01 07 22 00");
    EXPECT_EQ(ask("01 00 1D 1D"), "06"); // CMD_DOWNLOAD_COMMIT
    EXPECT_EQ(ask("01 00 1E 1E", 0x32),
              "06 32 00 1E E0 0F 08 00 00 0C 00 01 07 22 0A 4D 33 30 36 32 34 46 47 46 50 01 08 "
              "55 53 45 52 2E 48 45 58 07 42 4F 4F 54 2E 4D 4F 01 02 03 04 05 06 07 05 80 1D E2");

    const auto s = sim->state()->box.job().settings;
    EXPECT_EQ(s.deviceName, "M30624FGFP");
    EXPECT_EQ(s.userFileName, "USER.HEX");
    EXPECT_EQ(s.bootFileName, "BOOT.MO");
    EXPECT_EQ(s.operationBlocks, 0x1D);
    EXPECT_EQ(toHex(sim->state()->box.job().settings.record()),
              "E0 0F 08 00 00 0C 00 01 07 22 0A 4D 33 30 36 32 34 46 47 46 50 01 08 55 53 45 52 2E "
              "48 45 58 07 42 4F 4F 54 2E 4D 4F 01 02 03 04 05 06 07 05 80 1D");

    // An empty Boot ROM file name is one length byte 0.
    EXPECT_EQ(ask("02 00 12 00 12"), "06");
    EXPECT_EQ(sim->state()->box.job().settings.bootFileName, "");
}

TEST_F(BoxTest, EraseWriteAndReadPagesByPageNumber)
{
    EXPECT_EQ(ask("03 00 16 00 0C 22", 0x101).substr(0, 14), "06 01 01 16 FF");
    EXPECT_EQ(ask("03 00 16 00 0C 22", 0x101),
              "06 01 01 16 " + toHex(Bytes(256, 0xFF)) + " 16"); // never written: blank

    EXPECT_EQ(ask("03 01 15 00 0C " + pageHex(0) + " A1"), "06"); // User ROM page 0x0C00
    EXPECT_EQ(ask("03 01 15 E0 1F " + pageHex(0) + " 94"), "06"); // Boot ROM page 0x1FE0
    EXPECT_EQ(ask("03 00 16 00 0C 22", 0x101), "06 01 01 16 " + pageHex(0) + " 96");
    EXPECT_EQ(ask("03 00 16 E0 1F 15", 0x101), "06 01 01 16 " + pageHex(0) + " 96");
    EXPECT_EQ(sim->state()->box.job().page(0x0C00)[0x42], 0x42);

    // Erase blanks the User ROM; Boot ROM pages stay until rewritten.
    EXPECT_EQ(ask("05 00 14 7F 00 00 00 93"), "06");
    EXPECT_EQ(ask("03 00 16 00 0C 22", 0x101), "06 01 01 16 " + toHex(Bytes(256, 0xFF)) + " 16");
    EXPECT_EQ(ask("03 00 16 E0 1F 15", 0x101), "06 01 01 16 " + pageHex(0) + " 96");
    EXPECT_EQ(sim->state()->box.job().pages.count(0x0C00), 0u);
    EXPECT_EQ(sim->state()->box.job().pages.count(0x1FE0), 1u);

    // Page numbers beyond the Boot ROM bit do not exist.
    EXPECT_EQ(ask("03 00 16 00 20 38"), "15");
}

TEST_F(BoxTest, StatusVersionsEndAndCommit)
{
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
    EXPECT_EQ(ask("01 00 04 04", 0x21),
              "06 21 00 04 42 4F 4F 54 20 56 31 2E 30 30 20 32 30 30 31 20 56 31 2E 33 30 20 32 "
              "30 30 31 2F 31 32 2F 32 35 93"); // "BOOT V1.00 2001 " "V1.30 2001/12/25"
    EXPECT_EQ(ask("01 00 1F 1F"), "06");
    sim->state()->box.config().busyTime = 10s; // so the status read below surely sees the busy time
    EXPECT_EQ(ask("01 00 1D 1D"), "06");
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 80 9B");
}

TEST_F(BoxTest, LoaderSequenceReplacesTheFirmwareVersion)
{
    // Loader pages are refused before the box was prepared.
    const std::string header = "56 31 2E 33 31 20 32 30 32 34 2F 30 31 2F 30 32"; // V1.31 2024/01/02
    Bytes first = hex(header);
    first.resize(256, 0xFF);
    const Bytes firstFrame = makeFrame(cmd::LoadWritePage, [&] {
        Bytes p{0x10, 0x0C};
        p.insert(p.end(), first.begin(), first.end());
        return p;
    }());
    EXPECT_EQ(toHex(transact(*port, firstFrame)), "15");

    EXPECT_EQ(ask("01 00 02 02"), "06"); // enter
    EXPECT_EQ(ask("01 00 05 05"), "06"); // prepare
    EXPECT_EQ(toHex(transact(*port, firstFrame)), "06");
    for (std::uint16_t page = 0x0C11; page <= 0x0C3F; ++page) {
        Bytes p{static_cast<std::uint8_t>(page & 0xFF), static_cast<std::uint8_t>(page >> 8)};
        p.resize(258, static_cast<std::uint8_t>(page));
        ASSERT_EQ(toHex(transact(*port, makeFrame(cmd::LoadWritePage, p))), "06") << page;
    }
    // Outside the firmware area.
    Bytes outside{0x40, 0x0C};
    outside.resize(258, 0);
    EXPECT_EQ(toHex(transact(*port, makeFrame(cmd::LoadWritePage, outside))), "15");

    const Bytes versions = transact(*port, hex("01 00 04 04"), 0x21);
    ASSERT_EQ(versions.size(), 0x25u);
    EXPECT_EQ(std::string(versions.begin() + 20, versions.begin() + 36), "V1.31 2024/01/02");
    EXPECT_EQ(sim->state()->box.job().firmwareVersion, "V1.31 2024/01/02");
    EXPECT_EQ(sim->state()->box.job().firmware.size(), 48u);
    EXPECT_EQ(sim->state()->box.job().firmware.at(0x0C3F)[5], 0x3F);
}

TEST_F(BoxTest, MalformedRequestsAreRefusedAndLeaveTheJobAlone)
{
    EXPECT_EQ(ask(kSetDevice), "06");
    const auto before = sim->state()->box.job();
    EXPECT_EQ(ask("01 00 06 06"), "15"); // a code the box does not know
    EXPECT_EQ(ask("01 00 1C 1C"), "15");
    EXPECT_EQ(ask("03 00 13 01 02 16"), "15");    // update enable with two bytes
    EXPECT_EQ(ask("04 00 11 05 41 42 9B"), "15"); // name length says 5, carries 2
    EXPECT_EQ(ask("02 00 01 06 07"), "15");       // no link rate code 6
    EXPECT_EQ(ask("01 00 05 05"), "15");          // prepare without enter
    EXPECT_EQ(sim->state()->box.job(), before);
    EXPECT_EQ(sim->state()->box.rate(), 9600);
}

TEST_F(BoxTest, SettingsThatWouldOverflowTheReplyAreRefused)
{
    // Three names of 255 characters cannot come back in one reply frame.
    Bytes name(256, 'A');
    name[0] = 255;
    EXPECT_EQ(toHex(transact(*port, makeFrame(cmd::SetUserFileName, name))), "06");
    EXPECT_EQ(toHex(transact(*port, makeFrame(cmd::SetBootFileName, name))), "15");
    EXPECT_EQ(sim->state()->box.job().settings.bootFileName, "");
    const Bytes record = sim->state()->box.job().settings.record();
    EXPECT_LE(record.size() + 1, kMaxReplyBody);
}

TEST_F(BoxTest, ReceivedCommandsAreRecordedInOrder)
{
    ask(kSetDevice);
    ask("01 00 1B 1B", 2);
    ask("02 00 13 01 15"); // bad checksum
    ASSERT_TRUE(sim->waitForCommands(3, 2s));
    const auto c = sim->receivedCommands();
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].code, cmd::SetDevice);
    EXPECT_EQ(c[0].payload.size(), 21u);
    EXPECT_EQ(c[0].outcome, Outcome::Acked);
    EXPECT_EQ(c[1].code, cmd::ReadStatus);
    EXPECT_EQ(c[1].outcome, Outcome::Replied);
    EXPECT_EQ(c[2].outcome, Outcome::BadChecksum);
    EXPECT_EQ(c[2].rate, 9600);
    sim->clearReceivedCommands();
    EXPECT_TRUE(sim->receivedCommands().empty());
}

} // namespace
} // namespace plx71sim::test
