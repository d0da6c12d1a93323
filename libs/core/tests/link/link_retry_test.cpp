#include "link_fixture.hpp"

#include "link/writer_commands.hpp"
#include "plx71/messages/message_texts.hpp"

#include <algorithm>

using namespace plx71;
using namespace plx71::test;
using namespace std::chrono_literals;

namespace {

class LinkRetries : public LinkFixture {
protected:
    void SetUp() override { ASSERT_TRUE(openLink(link, 9600)); }

    // Answers the n-th request (0-based) with what `script` gives for it.
    void scriptRequests(std::function<Bytes(int)> script)
    {
        port->onWrite = [this, script](const Bytes& b) {
            if (b.size() > 1)
                port->reply(script(requestCount++));
        };
    }
    bool sendStatusRequest()
    {
        link.frame[0] = 0x01;
        link.frame[1] = 0x00;
        link.frame[2] = CMD_READ_STATUS;
        putChecksum(link.frame);
        return sendFrame(link, link.frame);
    }
    // Sleeps and read time-outs move the link's clock, not the wall's; a
    // read gives up after 30 ms (1 byte) or a 10 ms gap.
    void useTestClock()
    {
        link.clock = [this] { return now; };
        link.sleeper = [this](std::chrono::milliseconds d) {
            sleeps.push_back(d.count());
            now += d;
        };
        port->onReadTimeout = [this](std::chrono::milliseconds d) { now += d; };
        link.timing.readConstant = 20ms;
        link.timing.readPerByte = 10ms;
        link.timing.readInterval = 10ms;
    }
    int requestCount = 0;
    std::chrono::steady_clock::time_point now{};
};

} // namespace

TEST_F(LinkRetries, SendFrameTriesThreeTimesWithASleepAfterEveryFailure)
{
    // NAK, silence and any other byte all count as "not acknowledged".
    for (Bytes answer : {hex("15"), Bytes{}, hex("00")}) {
        requestCount = 0;
        sleeps.clear();
        port->writes.clear();
        scriptRequests([&](int) { return answer; });
        EXPECT_FALSE(sendStatusRequest());
        EXPECT_EQ(port->requests().size(), 3u);
        EXPECT_EQ(sleeps, (std::vector<long>{110, 110, 110}));
        // The request is the same frame every time.
        for (const auto& r : port->requests())
            EXPECT_EQ(r, hex("01 00 1B 1B"));
    }

    // ACK at the second attempt: one sleep, done.
    requestCount = 0;
    sleeps.clear();
    port->writes.clear();
    scriptRequests([](int n) { return n == 0 ? hex("15") : hex("06"); });
    EXPECT_TRUE(sendStatusRequest());
    EXPECT_EQ(port->requests().size(), 2u);
    EXPECT_EQ(sleeps, (std::vector<long>{110}));

    // A write that fails is retried the same way, and a closed port too.
    sleeps.clear();
    port->failWrites = true;
    EXPECT_FALSE(sendStatusRequest());
    EXPECT_EQ(sleeps.size(), 3u);
    port->failWrites = false;
    closeLink(link);
    sleeps.clear();
    EXPECT_FALSE(sendStatusRequest());
    EXPECT_EQ(sleeps.size(), 3u);
    EXPECT_EQ(failures(), 0); // the frame layer itself records nothing
}

TEST_F(LinkRetries, ExchangeFrameRepeatsTheWholeExchangeUpToNineTransmissions)
{
    scriptRequests([](int) { return Bytes{}; });
    std::uint8_t status = 0x55;
    EXPECT_FALSE(cmdReadStatus(link, status));
    EXPECT_EQ(status, 0x55);
    EXPECT_EQ(port->requests().size(), 9u);
    EXPECT_EQ(sleeps, (std::vector<long>{110, 110, 110, 100, 110, 110, 110, 100, 110, 110, 110, 100}));
    EXPECT_TRUE(port->acknowledges().empty());
    EXPECT_EQ(failures(), 1); // recorded once
    EXPECT_EQ(link.failureCause, LinkFault::Communication);
}

TEST_F(LinkRetries, BadChecksumIsAnsweredWithNakAndTheRequestIsSentAgain)
{
    Bytes good = makeFrame(0x9B, {0x80});
    Bytes bad = good;
    bad.back() ^= 0x01;
    scriptRequests([&](int n) { return n == 0 ? concat(hex("06"), bad) : concat(hex("06"), good); });
    std::uint8_t status = 0;
    EXPECT_TRUE(cmdReadStatus(link, status));
    EXPECT_EQ(status, 0x80);
    EXPECT_EQ(port->requests().size(), 2u);
    EXPECT_EQ(port->acknowledges(), hex("15 06"));
    EXPECT_EQ(sleeps, (std::vector<long>{100}));
    EXPECT_EQ(failures(), 0);
    // The reply frame was copied over the request buffer.
    EXPECT_TRUE(std::equal(good.begin(), good.end(), link.frame.begin()));
}

TEST_F(LinkRetries, ShortOrOversizeRepliesFailTheCycleWithoutAnyAcknowledge)
{
    Bytes good = makeFrame(0x9B, {0x00});
    // Cycle 1: the length says 5 but only 3 bytes follow (time-out).
    // Cycle 2: a length of 298, one more than link.received can hold.
    // Cycle 3: good.
    scriptRequests([&](int n) {
        if (n == 0)
            return hex("06 05 00 9B 00 00");
        if (n == 1)
            return hex("06 2A 01");
        return concat(hex("06"), good);
    });
    std::uint8_t status = 0xFF;
    EXPECT_TRUE(cmdReadStatus(link, status));
    EXPECT_EQ(status, 0x00);
    EXPECT_EQ(port->requests().size(), 3u);
    EXPECT_EQ(port->acknowledges(), hex("06"));
    EXPECT_EQ(sleeps, (std::vector<long>{100, 100}));
    // Nothing was ever read past the receive buffer.
    for (auto n : port->readSizes)
        EXPECT_LE(n, kMaxReplyBodyLength + 1);

    // The largest body that fits (297) is taken.
    requestCount = 0;
    Bytes big = makeFrame(0x9E, Bytes(296, 0x00)); // name length 0: no settings held
    scriptRequests([&](int) { return concat(hex("06"), big); });
    auto settings = cmdReadSettings(link);
    ASSERT_TRUE(settings);
    EXPECT_FALSE(settings->holdsSettings());
    EXPECT_EQ(failures(), 0);
}

TEST_F(LinkRetries, RepliesTooShortForTheCommandNeverHandOverStaleBytes)
{
    Bytes fullPage(256, 0xA5);
    std::array<std::uint8_t, 256> dest{};
    scriptRequests([&](int) { return concat(hex("06"), makeFrame(0x96, fullPage)); });
    ASSERT_TRUE(cmdReadPage(link, 0x0C00, dest));
    EXPECT_EQ(dest[255], 0xA5);

    // Now the box answers with a well-formed but 10-byte reply: frame still
    // holds the earlier page behind it, which must not reach the caller.
    requestCount = 0;
    sleeps.clear();
    port->writes.clear();
    scriptRequests([&](int) { return concat(hex("06"), makeFrame(0x96, Bytes(10, 0x11))); });
    std::array<std::uint8_t, 256> untouched{};
    untouched.fill(0x77);
    EXPECT_FALSE(cmdReadPage(link, 0x0C01, untouched));
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](auto b) { return b == 0x77; }));
    EXPECT_EQ(port->requests().size(), 3u);
    EXPECT_TRUE(port->acknowledges().empty());
    EXPECT_EQ(sleeps, (std::vector<long>{100, 100, 100}));

    // Same for the status byte (an empty reply) and the version texts.
    clear();
    scriptRequests([&](int) { return concat(hex("06"), makeFrame(0x9B, {})); });
    std::uint8_t status = 0x42;
    EXPECT_FALSE(cmdReadStatus(link, status));
    EXPECT_EQ(status, 0x42);
    link.firmwareVersion = "V1.30 old";
    link.bootVersion = "B old";
    scriptRequests([&](int) { return concat(hex("06"), makeFrame(0x84, Bytes(31, 0x41))); });
    EXPECT_FALSE(cmdReadVersions(link));
    EXPECT_EQ(link.firmwareVersion, "V1.30 old");
    EXPECT_EQ(link.bootVersion, "B old");
    EXPECT_EQ(failures(), 2);
}

TEST_F(LinkRetries, ASettingsRecordRunningPastItsReplyIsACommunicationError)
{
    // The name length claims 20 characters, the reply holds 4.
    Bytes record = hex("E0 0F 08 00 00 0C 00 01 07 22 14 41 42 43 44");
    scriptRequests([&](int) { return concat(hex("06"), makeFrame(0x9E, record)); });
    EXPECT_FALSE(cmdReadSettings(link));
    EXPECT_EQ(failures(), 1);

    // Complete up to the last field but one: refused as well.
    clear();
    Bytes nearly = hex("E0 0F 08 00 00 0C 00 01 07 22 01 4D 00 00 00 01 02 03 04 05 06 07 0A 80");
    scriptRequests([&](int) { return concat(hex("06"), makeFrame(0x9E, nearly)); });
    EXPECT_FALSE(cmdReadSettings(link));
    EXPECT_EQ(failures(), 1);
    nearly.push_back(0x7F);
    EXPECT_TRUE(parseWriterSettings(nearly));

    // A box without settings may stop after the zero name length.
    auto empty = parseWriterSettings(hex("00 00 00 00 00 00 00 00 00 00 00"));
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->holdsSettings());
    EXPECT_FALSE(parseWriterSettings(hex("00 00 00 00 00 00 00 00 00 00")));
}

TEST_F(LinkRetries, TheLateEndOfAnEarlierReplyIsNeverTakenForTheNextAnswer)
{
    // A reply that came after its time-out still waits in the input when the
    // next page is asked for: it must be thrown away, not read as the answer.
    port->reply(concat(hex("06"), makeFrame(0x96, Bytes(256, 0xAA))));
    scriptRequests([&](int) { return concat(hex("06"), makeFrame(0x96, Bytes(256, 0xBB))); });
    std::array<std::uint8_t, 256> dest{};
    ASSERT_TRUE(cmdReadPage(link, 0x0C01, dest));
    EXPECT_TRUE(std::all_of(dest.begin(), dest.end(), [](auto b) { return b == 0xBB; }));
    EXPECT_GE(port->discards, 1);
    EXPECT_EQ(failures(), 0);
}

// A recovering link waits after a failed attempt only as long as what
// happened needs, on a clock the test moves (sleeps and read time-outs):
// at once after a NAK, a refused reply (check sum, parity mark, wrong
// length: read to its expected end first) or a spoilt ACK; after a lost
// frame, until the line has been quiet for the retry sleep since the
// frame's end. The same NAK without recovery keeps the fixed sleep.
TEST_F(LinkRetries, ARecoveringFrameWaitsOnlyAsLongAsWhatHappenedNeeds)
{
    enum Fault { Nak, BadSum, Lost, WrongLength, Marked, MarkedAck };
    struct Case {
        const char* name;
        std::vector<Fault> faults; // the attempts before the good one
        bool recovering;
        std::vector<long> sleeps;
        Bytes acknowledges;
        std::size_t requests;
    };
    // 9600 bit/s: the 6-byte request is 6.875 ms on the line; a lost frame's
    // ACK read gives up after 30 ms, so 110 - 30 + 6.875 ms are left to wait.
    const std::vector<Case> cases{
        {"NAK", {Nak}, true, {}, hex("06"), 2},
        {"bad check sum", {BadSum}, true, {}, hex("15 06"), 2},
        {"lost frame", {Lost}, true, {87}, hex("06"), 2},
        {"wrong length", {WrongLength}, true, {}, hex("15 06"), 2},
        {"parity mark", {Marked}, true, {}, hex("15 06"), 2},
        {"spoilt ACK, good reply taken", {MarkedAck}, true, {}, hex("06"), 1},
        {"all kinds", {Nak, Lost, Marked, WrongLength, BadSum}, true, {87}, hex("15 15 15 06"), 6},
        {"NAK, not recovering", {Nak}, false, {110}, hex("06"), 2},
    };
    Bytes page(256);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = std::uint8_t(i * 7 + 3);
    const Bytes good = makeFrame(0x96, page);
    useTestClock();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.recovering = c.recovering;
        link.frameAttempts = 10;
        requestCount = 0;
        sleeps.clear();
        port->writes.clear();
        scriptRequests([&](int n) {
            if (n >= int(c.faults.size()))
                return concat(hex("06"), good);
            Bytes spoilt = good;
            switch (c.faults[std::size_t(n)]) {
            case Nak:
                return hex("15");
            case Lost:
                return Bytes{};
            case BadSum:
                spoilt[100] ^= 0x10;
                return concat(hex("06"), spoilt);
            case WrongLength:
                spoilt[0] ^= 0x02; // 257 read as 259: the reply still ends where a page reply ends
                return concat(hex("06"), spoilt);
            case Marked:
                port->replyMarked(concat(hex("06"), good), 40);
                return Bytes{};
            case MarkedAck:
                port->replyMarked(concat(hex("06"), good), 0);
                return Bytes{};
            }
            return Bytes{};
        });
        std::array<std::uint8_t, 256> dest{};
        ASSERT_TRUE(cmdReadPage(link, 0x0C00, dest));
        EXPECT_TRUE(std::equal(dest.begin(), dest.end(), page.begin()));
        EXPECT_EQ(sleeps, c.sleeps);
        EXPECT_EQ(port->acknowledges(), c.acknowledges);
        EXPECT_EQ(port->requests().size(), c.requests);
    }
}

// A box that refuses every attempt: refused, and no wait at all; one that
// stays silent: three time-outs, each followed by the quiet wait (the 4-byte
// request is 4.583 ms on the line).
TEST_F(LinkRetries, ARecoveringFrameGivesUpOnARefusingOrSilentBox)
{
    useTestClock();
    link.recovering = true;
    link.frameAttempts = 10;
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent" : "refused");
        sleeps.clear();
        port->writes.clear();
        scriptRequests([&](int) { return silent ? Bytes{} : hex("15"); });
        EXPECT_FALSE(sendStatusRequest());
        EXPECT_EQ(link.lastFrameRefused, !silent);
        EXPECT_EQ(port->requests().size(), silent ? 3u : 10u);
        EXPECT_EQ(sleeps, (silent ? std::vector<long>{85, 85, 85} : std::vector<long>{}));
    }
}
