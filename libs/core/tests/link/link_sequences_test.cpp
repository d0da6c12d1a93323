#include "../portable_env.hpp"
#include "link_fixture.hpp"

#include "link/writer_commands.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/port/port_names.hpp"

#include <cstdlib>

using namespace plx71;
using namespace plx71::test;

namespace {

class LinkSequences : public LinkFixture {
protected:
    void SetUp() override
    {
        unsetEnv("PLX71_COM2");
        link.comPortIndex = 1;
        link.portOverride = "/dev/fake2";
    }
};

} // namespace

TEST_F(LinkSequences, ConnectOpensAt9600AndNamesThePortWhenItCannot)
{
    answerLikeABox();
    EXPECT_TRUE(connectWriter(link));
    ASSERT_EQ(port->openings.size(), 1u);
    EXPECT_EQ(port->openings[0].device, "/dev/fake2");
    EXPECT_EQ(port->openings[0].rate, 9600);
    EXPECT_TRUE(disconnectWriter(link));
    EXPECT_FALSE(link.isOpen());

    port->refuseOpen = true;
    EXPECT_FALSE(connectWriter(link));
    link.portOverride.clear();
    EXPECT_FALSE(connectWriter(link));
    EXPECT_EQ(failures(), 2);
    EXPECT_EQ(link.failureCause, LinkFault::PortUnusable);
    EXPECT_TRUE(port->requests().empty()); // nothing was sent
}

TEST_F(LinkSequences, SwitchLinkRateKeepsThePortOpenWithPausesAround)
{
    answerLikeABox();
    ASSERT_TRUE(connectWriter(link));

    // From 9600 to 9600: still CMD_SET_LINK_RATE with code 1 and a rate set,
    // on the port that stays open (never closed, never opened again).
    EXPECT_TRUE(switchLinkRate(link, LinkRate::Bps9600));
    EXPECT_EQ(port->requests().back(), hex("02 00 01 01 02"));
    EXPECT_EQ(port->closes, 0);
    EXPECT_EQ(port->openings.size(), 1u);
    EXPECT_EQ(port->rateChanges, std::vector<int>{9600});
    EXPECT_EQ(sleeps, (std::vector<long>{100, 100}));

    EXPECT_TRUE(switchLinkRate(link, LinkRate::Bps115200));
    EXPECT_EQ(port->requests().back(), hex("02 00 01 05 06"));
    EXPECT_EQ(port->rateChanges.back(), 115200);
    EXPECT_EQ(link.currentRate, 115200);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(port->closes, 0);

    // Not acknowledged: one communication error, the port stays open at the
    // old rate.
    port->onWrite = nullptr;
    sleeps.clear();
    EXPECT_FALSE(switchLinkRate(link, LinkRate::Bps19200));
    EXPECT_EQ(port->rateChanges.size(), 2u);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.currentRate, 115200);
    EXPECT_EQ(sleeps, (std::vector<long>{110, 110, 110}));
    EXPECT_EQ(failures(), 1);

    // A rate cast from an index outside the table sends nothing.
    clear();
    auto sent = port->requests().size();
    EXPECT_FALSE(switchLinkRate(link, static_cast<LinkRate>(5)));
    EXPECT_EQ(port->requests().size(), sent);
    EXPECT_EQ(failures(), 1);
}

TEST_F(LinkSequences, CloseTwiceClosesOnceAndLinksAreIndependent)
{
    ASSERT_TRUE(openLink(link, 9600));
    closeLink(link);
    closeLink(link);
    EXPECT_EQ(port->closes, 1);

    // A second link of its own: nothing it does touches the first.
    auto otherPort = std::make_unique<FakeSerialPort>();
    auto* other = otherPort.get();
    BoxLink second(std::move(otherPort));
    second.sleeper = [](std::chrono::milliseconds) {};
    second.comPortIndex = 3;
    ASSERT_TRUE(openLink(second, 19200));
    EXPECT_FALSE(cmdDownloadEnd(second));
    EXPECT_EQ(second.failuresRecorded, 1);
    EXPECT_EQ(failures(), 0);
    EXPECT_TRUE(port->writes.empty());
    EXPECT_EQ(other->requests().size(), 3u);
}

TEST(PortNames, ComPortsMapToDevicesAndOverridesWin)
{
    unsetEnv("PLX71_COM1");
    unsetEnv("PLX71_COM3");
#ifdef _WIN32
    EXPECT_EQ(portDeviceName(0), "COM1");
#else
    EXPECT_EQ(portDeviceName(0), "/dev/ttyS0");
    EXPECT_EQ(portDeviceName(3), "/dev/ttyS3");
#endif
    setEnv("PLX71_COM3", "/tmp/sim-pty");
    EXPECT_EQ(portDeviceName(2), "/tmp/sim-pty");
    EXPECT_EQ(portDisplayName(2), "COM3");
    setEnv("PLX71_COM3", ""); // empty counts as unset
    EXPECT_NE(portDeviceName(2), "");
    unsetEnv("PLX71_COM3");

    EXPECT_EQ(portDeviceName(1, "/dev/pts/9"), "/dev/pts/9");
    EXPECT_EQ(portDisplayName(1, "/dev/pts/9"), "/dev/pts/9");
    EXPECT_EQ(msg::portCannotBeUsed(portDisplayName(0)), "COM1 cannot be used");

    EXPECT_EQ(comPortIndexFromName("COM1"), 0);
    EXPECT_EQ(comPortIndexFromName("com4"), 3);
    EXPECT_FALSE(comPortIndexFromName("COM5"));
    EXPECT_FALSE(comPortIndexFromName("COM0"));
    EXPECT_FALSE(comPortIndexFromName("/dev/ttyUSB0"));
}
