// Busy timing and the fault switches.
#include "plx71/testing/sim_wire.hpp"

namespace plx71sim::test {
namespace {

using namespace plx71::test;

using Steady = std::chrono::steady_clock;

std::string writePage(std::uint16_t page)
{
    Bytes p{static_cast<std::uint8_t>(page & 0xFF), static_cast<std::uint8_t>(page >> 8)};
    p.resize(258, 0x5A);
    return toHex(makeFrame(cmd::WritePage, p));
}

// Polls the status until bit 7 clears; returns how long that took.
Steady::duration busyFor(PcPort& port, Steady::time_point since)
{
    const auto deadline = Steady::now() + 5s;
    while (Steady::now() < deadline) {
        const Bytes s = transact(port, hex("01 00 1B 1B"), 2);
        if (s.size() == 6 && !(s[4] & 0x80))
            return Steady::now() - since;
    }
    return Steady::duration::max();
}

TEST_F(BoxTest, BusyAfterEraseBootPagesAndCommitOnly)
{
    sim->state()->box.config().busyTime = 150ms;
    auto t0 = Steady::now();
    EXPECT_EQ(ask("05 00 14 7F 00 00 00 93"), "06");
    EXPECT_TRUE(sim->state()->box.busy(plx71sim::Clock::now()));
    EXPECT_GE(busyFor(*port, t0), 150ms);
    EXPECT_FALSE(sim->state()->box.busy(plx71sim::Clock::now()));

    EXPECT_EQ(ask(writePage(0x0C00)), "06"); // User ROM pages do not make it busy
    EXPECT_FALSE(sim->state()->box.busy(plx71sim::Clock::now()));

    t0 = Steady::now();
    EXPECT_EQ(ask(writePage(0x1FE0)), "06");
    EXPECT_TRUE(sim->state()->box.busy(plx71sim::Clock::now()));
    EXPECT_GE(busyFor(*port, t0), 150ms);

    EXPECT_EQ(ask("01 00 1F 1F"), "06"); // end: not busy
    EXPECT_FALSE(sim->state()->box.busy(plx71sim::Clock::now()));
    t0 = Steady::now();
    EXPECT_EQ(ask("01 00 1D 1D"), "06"); // commit
    EXPECT_GE(busyFor(*port, t0), 150ms);

    const auto cmds = sim->receivedCommands();
    ASSERT_FALSE(cmds.empty());
    EXPECT_TRUE(cmds[1].busy); // first status poll after the erase
}

TEST(BoxFaults, StrictBusyRefusesWritesWhileBusy)
{
    Options o = wireBox();
    o.box.strictBusy = true;
    o.box.busyTime = 0ms;
    SimBox sim(o);
    ASSERT_TRUE(sim.start());
    PcPort port(sim.slavePath());
    sim.state()->box.faults().stayBusy = true;
    EXPECT_EQ(toHex(transact(port, hex("05 00 14 7F 00 00 00 93"))), "15");
    EXPECT_EQ(toHex(transact(port, hex(writePage(0x0C00)))), "15");
    EXPECT_EQ(toHex(transact(port, hex("01 00 1D 1D"))), "15");
    EXPECT_EQ(toHex(transact(port, hex("02 00 13 01 14"))), "06"); // settings are taken
    EXPECT_EQ(toHex(transact(port, hex("01 00 1B 1B"), 2)), "06 02 00 1B 80 9B");
    sim.state()->box.faults().stayBusy = false;
    EXPECT_EQ(toHex(transact(port, hex("05 00 14 7F 00 00 00 93"))), "06");
    EXPECT_EQ(toHex(transact(port, hex(writePage(0x0C00)))), "06");
    EXPECT_TRUE(sim.receivedCommands()[0].busy);
}

TEST_F(BoxTest, DroppedAcksAndNaksLeaveTheFrameUndone)
{
    sim->state()->box.faults().dropAcks = 2;
    port->sendHex("02 00 13 01 14");
    port->sendHex("02 00 19 05 1E");
    ASSERT_TRUE(sim->waitForCommands(2, 1s));
    EXPECT_EQ(ask("02 00 1A 1D 37"), "06"); // the first byte back is this frame's ACK
    EXPECT_EQ(sim->state()->box.job().settings.updateEnable, 0);
    EXPECT_EQ(sim->state()->box.job().settings.lockBits, 0);
    EXPECT_EQ(sim->state()->box.job().settings.operationBlocks, 0x1D);

    sim->state()->box.faults().naks = 1;
    EXPECT_EQ(ask("02 00 13 01 14"), "15");
    EXPECT_EQ(sim->state()->box.job().settings.updateEnable, 0);
    EXPECT_EQ(ask("02 00 13 01 14"), "06");
    EXPECT_EQ(sim->state()->box.job().settings.updateEnable, 1);

    const auto c = sim->receivedCommands();
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].outcome, Outcome::FaultDropped);
    EXPECT_EQ(c[3].outcome, Outcome::FaultNak);
    EXPECT_EQ(sim->state()->box.faults().dropAcks, 0);
}

TEST_F(BoxTest, CorruptRepliesCarryAWrongChecksumThenHeal)
{
    sim->state()->box.faults().corruptReplies = 1;
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1C");
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
}

TEST_F(BoxTest, SilentBoxAnswersNothingUntilSwitchedBack)
{
    sim->state()->box.faults().silent = true;
    port->sendHex("01 00 1B 1B");
    port->sendHex("01 00 1B 1A"); // a bad checksum is not NAKed either
    ASSERT_TRUE(sim->waitForCommands(2, 1s));
    sim->state()->box.faults().silent = false;
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");
    EXPECT_EQ(sim->receivedCommands()[0].outcome, Outcome::FaultSilent);
}

TEST_F(BoxTest, StayBusyAndFailPage)
{
    sim->state()->box.faults().stayBusy = true;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 80 9B");
    sim->state()->box.faults().stayBusy = false;
    EXPECT_EQ(ask("01 00 1B 1B", 2), "06 02 00 1B 00 1B");

    sim->state()->box.faults().failPages.insert(0x0C01);
    EXPECT_EQ(ask(writePage(0x0C00)), "06");
    EXPECT_EQ(ask(writePage(0x0C01)), "15");
    EXPECT_EQ(ask(writePage(0x0C01)), "15");
    EXPECT_EQ(sim->state()->box.job().pages.count(0x0C01), 0u);
    sim->state()->box.faults().failPages.erase(0x0C01);
    EXPECT_EQ(ask(writePage(0x0C01)), "06");
}

TEST_F(BoxTest, OtherFirmwareVersionAndNoSettings)
{
    sim->state()->box.job().firmwareVersion = plx71sim::versionField("V1.20"); // short texts end in zeros
    const Bytes v = transact(*port, hex("01 00 04 04"), 0x21);
    ASSERT_EQ(v.size(), 0x25u);
    EXPECT_EQ(toHex(Bytes(v.begin() + 20, v.begin() + 36)), "56 31 2E 32 30 00 00 00 00 00 00 00 00 00 00 00");

    EXPECT_EQ(ask("16 00 10 E0 0F 08 00 00 0C 00 01 07 22 0A 4D 33 30 36 32 34 46 47 46 50 B6"), "06");
    EXPECT_EQ(ask("01 00 1D 1D"), "06"); // the commit makes the job whole
    sim->state()->box.faults().noSettings = true;
    const Bytes r = transact(*port, hex("01 00 1E 1E"), 0x19);
    ASSERT_EQ(r.size(), 0x1Du);
    EXPECT_EQ(r[3 + 1 + 10], 0);                                          // name length
    EXPECT_EQ(sim->state()->box.job().settings.deviceName, "M30624FGFP"); // still stored
    sim->state()->box.faults().noSettings = false;
    EXPECT_EQ(transact(*port, hex("01 00 1E 1E"), 0x23).size(), 0x27u);
}

} // namespace
} // namespace plx71sim::test
