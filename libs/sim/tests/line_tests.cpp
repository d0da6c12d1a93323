// The line itself: checksums, line settings, rate switches, broken frames,
// reply acknowledges, port reopening and paced bytes.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "plx71/testing/sim_wire.hpp"

namespace plx71sim::test {
namespace {

using namespace plx71::test;

std::string readFile(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST_F(BoxTest, BadChecksumIsNakedAndTheNextFrameIsServed)
{
    EXPECT_EQ(ask("05 00 14 7F 00 00 00 94"), "15");
    EXPECT_EQ(ask("01 00 1B 1A"), "15");
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
    // The bad erase did nothing: not busy, User ROM untouched.
    EXPECT_FALSE(sim->state()->box.busy(plx71sim::Clock::now()));
}

TEST_F(BoxTest, BytesAtOtherLineSettingsAreIgnored)
{
    // The box reads the settings when the bytes reach it: wait for that
    // before changing them again.
    port->setLine(19200);
    port->sendHex("01 00 1B 1B");
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->ignoredBytes == 4; }, 1s));
    port->setLine(9600, /*oddParity=*/false);
    port->sendHex("01 00 1B 1B");
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->ignoredBytes == 8; }, 1s));
    port->setLine(9600, true, /*parityCheck=*/false);
    port->sendHex("01 00 1B 1B");
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->ignoredBytes == 12; }, 1s));
    port->setLine(9600);
    // Had any of those bytes been taken, this frame would be misread.
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
    ASSERT_TRUE(sim->waitForCommands(1, 1s));
    EXPECT_EQ(sim->receivedCommands().size(), 1u);
}

TEST_F(BoxTest, RateSwitchIsAckedAtTheOldRateAndFollowed)
{
    EXPECT_EQ(ask("02 00 01 03 04"), "06"); // code 3: 38400 bit/s
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->box.rate() == 38400; }, 1s));
    // A PC may close and reopen at the new rate (ours keeps the port open).
    port = std::make_unique<PcPort>(sim->slavePath(), 38400);
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
    // (A request without reply, so that no acknowledge of ours is still on
    // its way when the line settings change below.)
    EXPECT_EQ(ask("02 00 13 01 14"), "06");

    port->setLine(9600); // the old rate is ignored now
    port->sendHex("01 00 1B 1B");
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->ignoredBytes == 4; }, 1s));
    port->setLine(38400);
    EXPECT_EQ(ask("02 00 01 01 02"), "06"); // back to 9600
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->box.rate() == 9600; }, 1s));
    port->setLine(9600);
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
    EXPECT_EQ(sim->receivedCommands().size(), 5u);

    // Switching to the rate in use still answers and stays.
    EXPECT_EQ(ask("02 00 01 01 02"), "06");
    EXPECT_EQ(sim->state()->box.rate(), 9600);
}

TEST(BoxLine, BrokenFramesAreDroppedAfterAQuietGap)
{
    const std::string log = tempPath("plx71sim_resync.log");
    Options o = wireBox();
    o.logPath = log;
    SimBox sim(o);
    ASSERT_TRUE(sim.start()) << sim.lastError();
    PcPort port(sim.slavePath());

    port.sendHex("05 00 14 7F"); // half an erase frame
    ASSERT_TRUE(sim.waitFor([&] { return readFile(log).find("PC# 05 00 14 7F") != std::string::npos; }, 2s));
    EXPECT_EQ(toHex(transact(port, hex("01 00 1B 1B"), 2)), "06 02 00 1B 00 1B");

    port.sendHex("00 00 33 44"); // a length no request has
    ASSERT_TRUE(sim.waitFor([&] { return readFile(log).find("PC# 00 00 33 44") != std::string::npos; }, 2s));
    EXPECT_EQ(toHex(transact(port, hex("01 00 1B 1B"), 2)), "06 02 00 1B 00 1B");
    sim.stop();

    const std::string text = readFile(log);
    // Named once, before the first bytes: the settings did not change.
    EXPECT_EQ(text.find("LINE 9600 bit/s, 8 data bits, odd parity, 1 stop bit, parity check on\nPC# 05 00 14 7F\n"), 0u)
        << text;
    EXPECT_EQ(text.find("LINE", 1), std::string::npos) << text;
    EXPECT_NE(text.find("PC> 01 00 1B 1B\nBOX> 06\nBOX> 02 00 1B 00 1B\nPC> 06\n"), std::string::npos) << text;
    EXPECT_EQ(sim.receivedCommands().size(), 2u);
}

TEST_F(BoxTest, ReplyNakEndsTheExchangeAndTheRequestIsServedAgain)
{
    port->sendHex("01 00 04 04");
    EXPECT_EQ(port->read(0x25).size(), 0x25u);
    port->send({kNak});
    EXPECT_EQ(ask("01 00 04 04", 0x21).size(), 0x25u * 3 - 1);
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
}

TEST_F(BoxTest, SlowReaderStillHasItsReplyAcknowledgeTaken)
{
    // The reply waits in the terminal for three windows; the acknowledge
    // comes right after it is read, glued to the next request.
    port->sendHex("01 00 1B 1B");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(toHex(port->read(6)), "06 02 00 1B 00 1B");
    port->sendHex("06 01 00 1B 1B");
    EXPECT_EQ(toHex(port->read(6)), "06 02 00 1B 00 1B");
}

TEST_F(BoxTest, PcReopensTheExclusivePortAfterClosingIt)
{
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->portOpenCount == 1; }, 1s));
    // A PC port is opened for exclusive use; after it is closed the mark must
    // not lock the next open out.
    int fd = ::open(sim->slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->portOpenCount == 2; }, 1s));
    ::close(fd);
    port.reset();
    ASSERT_TRUE(sim->waitFor([&] { return sim->state()->portOpenCount == 0; }, 1s));
    int excl = 1;
    fd = ::open(sim->slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 0);
    ::close(fd);

    port = std::make_unique<PcPort>(sim->slavePath());
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
}

TEST(BoxLine, PacedBytesTakeTheirTimeOnTheLine)
{
    Options o = wireBox();
    o.pace = true;
    SimBox sim(o);
    ASSERT_TRUE(sim.start()) << sim.lastError();
    PcPort port(sim.slavePath());
    const auto t0 = std::chrono::steady_clock::now();
    const Bytes got = transact(port, hex("01 00 04 04"), 0x21);
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(got.size(), 0x25u);
    // 4 bytes in, 37 bytes out, 11 bits each at 9600 bit/s.
    EXPECT_GE(took, std::chrono::microseconds((4 + 37) * 11 * 1000000LL / 9600));
}

TEST(BoxLine, StartStopAndRestartLeaveNothingBehind)
{
    SimBox sim(wireBox());
    ASSERT_TRUE(sim.start());
    const std::string first = sim.slavePath();
    EXPECT_TRUE(sim.running());
    sim.stop();
    sim.stop();
    EXPECT_FALSE(sim.running());
    EXPECT_EQ(sim.slavePath(), "");
    ASSERT_TRUE(sim.start());
    PcPort port(sim.slavePath());
    EXPECT_EQ(toHex(transact(port, hex("01 00 1B 1B"), 2)), "06 02 00 1B 00 1B");
}

} // namespace
} // namespace plx71sim::test
