// The firmware loader's operations and the About query against the software
// writer box.
#include "sim_world.hpp"

#include "ops/download.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/select_firmware.hpp"
#include "plx71/testing/record_text.hpp"
#include "plx71/testing/scratch_dir.hpp"

#include <cstdlib>
#include <fstream>

namespace plx71::test {
namespace {

const std::string kCommError(msg::kCommunicationError);

// One Intel HEX record with its check sum.
std::string hexRecord(std::uint16_t address, std::uint8_t type, const std::vector<std::uint8_t>& data)
{
    return intelRecord(type, address, data) + "\n";
}

class Loader : public SimWorld {
protected:
    // A firmware image as "Select..." leaves it: the header, a pattern, and
    // one page the file does not give (blank).
    FirmwareImage firmware(const std::string& header = "V1.40 2003/04/05")
    {
        FirmwareImage img;
        for (std::size_t i = 0; i < 0x3000; ++i)
            img.bytes[i] = std::uint8_t(i % 253);
        std::copy(header.begin(), header.end(), img.bytes.begin());
        std::fill(img.bytes.begin() + 0x1000, img.bytes.begin() + 0x1100, 0xFF);
        return img;
    }

    BoxOutcome readVersions(LinkRate rate)
    {
        boxTarget.rate = rate;
        return session->readVersions(boxTarget);
    }

    BoxOutcome load(const FirmwareImage& img, std::function<bool()> cancelWhen = {})
    {
        auto k = sink(std::move(cancelWhen));
        boxTarget.rate = LinkRate::Bps115200;
        return session->loadFirmware(boxTarget, img, "/fw/new.hex", k);
    }

    std::vector<plx71sim::ReceivedCommand> loadPages()
    {
        std::vector<plx71sim::ReceivedCommand> pages;
        for (auto& c : accepted(*sim))
            if (c.code == CMD_LOAD_WRITE_PAGE)
                pages.push_back(c);
        return pages;
    }

    static bool isError(const BoxOutcome& r) { return !r.ok() && r.firmwareVersion.empty() && r.bootVersion.empty(); }
};

TEST_F(Loader, AboutQueryAt9600KeepsOrEmptiesTheVersion)
{
    link->firmwareVersion = "previous";
    session->queryFirmwareVersion(boxTarget.port);
    EXPECT_EQ(link->firmwareVersion, "V1.30 2001/12/25");
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(codes(accepted(*sim)), std::vector<std::uint8_t>{CMD_READ_VERSIONS});
    EXPECT_EQ(accepted(*sim)[0].rate, 9600);
    expectResting();

    // A port that cannot be opened keeps the last text.
    ::setenv("PLX71_COM4", "/nonexistent/plx71-com4", 1);
    usePort(PortChoice::com(3));
    session->queryFirmwareVersion(boxTarget.port);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"COM4 cannot be used"});
    EXPECT_EQ(link->firmwareVersion, "V1.30 2001/12/25");

    // A download whose version query fails does not touch the text: the
    // About box still shows the last good query when its port fails.
    ui.clear();
    usePort(PortChoice::path(sim->slavePath()));
    sim->state()->box.faults().corruptReplies = 3;
    auto k = sink();
    EXPECT_FALSE(session->download(boxTarget, boxJobOf(state, job), k).ok());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_EQ(link->firmwareVersion, "V1.30 2001/12/25");
    ui.clear();
    usePort(PortChoice::com(3));
    session->queryFirmwareVersion(boxTarget.port);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"COM4 cannot be used"});
    EXPECT_EQ(link->firmwareVersion, "V1.30 2001/12/25");
    ::unsetenv("PLX71_COM4");

    // No answer: the text is emptied.
    ui.clear();
    usePort(PortChoice::path(sim->slavePath()));
    sim->state()->box.faults().silent = true;
    session->queryFirmwareVersion(boxTarget.port);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_EQ(link->firmwareVersion, "");
    EXPECT_FALSE(link->isOpen());
}

TEST_F(Loader, ReadVersionAtTheUsersRateAndBack)
{
    auto v = readVersions(LinkRate::Bps38400);
    EXPECT_TRUE(v.ok());
    EXPECT_EQ(v.firmwareVersion, "V1.30 2001/12/25");
    EXPECT_EQ(v.bootVersion, "BOOT V1.00 2001 ");
    const auto cmds = accepted(*sim);
    ASSERT_EQ(codes(cmds), (std::vector<std::uint8_t>{CMD_SET_LINK_RATE, CMD_READ_VERSIONS, CMD_SET_LINK_RATE}));
    EXPECT_EQ(cmds[0].payload, (plx71sim::Bytes{3}));
    EXPECT_EQ(cmds[1].rate, 38400);
    EXPECT_TRUE(ui.messages().empty());
    expectResting();

    // The query fails after the switch: no versions, the box still goes
    // back to 9600 so that the next connect finds it.
    sim->clearReceivedCommands();
    sim->state()->box.faults().corruptReplies = 3;
    v = readVersions(LinkRate::Bps115200);
    EXPECT_FALSE(v.ok());
    EXPECT_EQ(v.firmwareVersion, "");
    EXPECT_EQ(v.bootVersion, "");
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_EQ(accepted(*sim).back().code, CMD_SET_LINK_RATE);
    expectResting();

    // The switch back fails: a failure, with the versions read before it.
    ui.clear();
    onNth(CMD_SET_LINK_RATE, 2, [this] { sim->state()->box.faults().dropAcks = 3; });
    v = readVersions(LinkRate::Bps9600);
    EXPECT_FALSE(v.ok());
    EXPECT_EQ(v.firmwareVersion, "V1.30 2001/12/25");
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_FALSE(link->isOpen());

    // No box.
    ui.clear();
    onCommand = nullptr;
    sim->state()->box.faults().silent = true;
    v = readVersions(LinkRate::Bps115200);
    EXPECT_FALSE(v.ok());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_FALSE(link->isOpen());
}

TEST_F(Loader, SelectChecksTheVersionHeader)
{
    const ScratchDir dir;
    auto write = [&](const std::string& name, const std::string& text) { return dir.file(name, text); };
    // "V1.30 2001/12/25" at 0xC1000, one more byte at 0xC1010.
    const std::string header = "V1.30 2001/12/25";
    const std::vector<std::uint8_t> headerBytes(header.begin(), header.end());
    const std::string base = hexRecord(0, 0x02, {0xC1, 0x00});
    const auto good =
        write("good.hex", base + hexRecord(0, 0, headerBytes) + hexRecord(0x10, 0, {0x42}) + ":00000001FF\n");
    auto selected = selectFirmwareFile(ui, good);
    ASSERT_TRUE(selected) << (ui.texts().empty() ? "" : ui.texts().front());
    EXPECT_EQ(selected->versionText, header);
    EXPECT_EQ(selected->path, good.string());
    EXPECT_EQ(selected->image.bytes[0x10], 0x42);
    EXPECT_EQ(selected->image.bytes[0x11], 0xFF);
    EXPECT_TRUE(ui.messages().empty());

    // Data from 0xC1100 on: the header bytes are blank.
    const auto late = write("late.hex", base + hexRecord(0x100, 0, headerBytes) + ":00000001FF\n");
    EXPECT_FALSE(selectFirmwareFile(ui, late));
    EXPECT_EQ(ui.texts().back(), "File format error");
    EXPECT_EQ(ui.messages().back().icon, Icon::Stop);

    ui.clear();
    EXPECT_FALSE(selectFirmwareFile(ui, dir / "missing.hex"));
    EXPECT_EQ(ui.texts().size(), 1u); // the reader's own message only
}

TEST_F(Loader, DownloadSendsFortyEightPagesEachAfterAPollAndReportsTheNewVersion)
{
    const FirmwareImage img = firmware();
    const auto r = load(img);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.firmwareVersion, "V1.40 2003/04/05"); // what the box reports afterwards
    EXPECT_EQ(r.bootVersion, "BOOT V1.00 2001 ");
    EXPECT_TRUE(ui.messages().empty());
    expectResting();
    EXPECT_EQ(lastView.title, "Loading...");
    EXPECT_EQ(lastView.text, "/fw/new.hex");
    EXPECT_EQ(lastTotal, 0x3000);
    EXPECT_EQ(lastDone, 0x3000);
    EXPECT_EQ(countSleeps(quickTiming().loaderPrepareWait), 1u);

    const auto cmds = accepted(*sim);
    ASSERT_GE(cmds.size(), 3u);
    EXPECT_EQ(codes({cmds.begin(), cmds.begin() + 3}),
              (std::vector<std::uint8_t>{CMD_LOAD_ENTER, CMD_LOAD_PREPARE, CMD_SET_LINK_RATE}));
    EXPECT_EQ(cmds[0].rate, 9600);
    std::uint16_t expected = 0x0C10;
    bool polled = false;
    for (std::size_t i = 3; i < cmds.size(); ++i) {
        if (cmds[i].code == CMD_READ_STATUS) {
            polled = true;
        } else if (cmds[i].code == CMD_LOAD_WRITE_PAGE) {
            EXPECT_TRUE(polled) << "page " << expected << " without a poll";
            EXPECT_EQ(pageOf(cmds[i]), expected);
            EXPECT_EQ(cmds[i].rate, 115200);
            ++expected;
            polled = false;
        }
    }
    EXPECT_EQ(expected, 0x0C40);
    EXPECT_EQ(cmds[cmds.size() - 2].code, CMD_READ_VERSIONS);
    EXPECT_EQ(cmds.back().code, CMD_SET_LINK_RATE);

    const auto stored = sim->state()->box.job().firmware;
    ASSERT_EQ(stored.size(), 48u);
    const auto blank = stored.at(0x0C20);
    EXPECT_TRUE(std::all_of(blank.begin(), blank.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_TRUE(std::equal(stored.at(0x0C3F).begin(), stored.at(0x0C3F).end(), img.bytes.begin() + 0x2F00));
}

TEST_F(Loader, FailuresBeforeThePagesEndInError)
{
    const FirmwareImage img = firmware();

    usePort(PortChoice::path("/nonexistent/plx71-port"));
    EXPECT_TRUE(isError(load(img)));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"/nonexistent/plx71-port cannot be used"});
    usePort(PortChoice::path(sim->slavePath()));

    // No box: one message, from CMD_LOAD_ENTER; no switch tried, no wait.
    ui.clear();
    sleeps.clear();
    sim->state()->box.faults().silent = true;
    EXPECT_TRUE(isError(load(img)));
    sim->state()->box.faults().silent = false;
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    for (auto& c : sim->receivedCommands())
        EXPECT_EQ(c.code, CMD_LOAD_ENTER);
    EXPECT_EQ(countSleeps(quickTiming().loaderPrepareWait), 0u);
    expectResting();

    for (std::uint8_t code : {CMD_LOAD_PREPARE, CMD_SET_LINK_RATE}) {
        ui.clear();
        sim->clearReceivedCommands();
        onNth(code, 1, [this] { sim->state()->box.faults().naks = 3; });
        EXPECT_TRUE(isError(load(img))) << int(code);
        EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError}) << int(code);
        EXPECT_EQ(countCode(accepted(*sim), CMD_LOAD_WRITE_PAGE), 0u);
        expectResting();
    }
}

TEST_F(Loader, FailuresAfterThePagesEndInError)
{
    const FirmwareImage img = firmware();

    // A page refused: message once, nothing after it, no version query.
    sim->state()->box.faults().failPages.insert(0x0C13);
    EXPECT_TRUE(isError(load(img)));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_EQ(loadPages().size(), 3u);
    EXPECT_EQ(countCode(accepted(*sim), CMD_READ_VERSIONS), 0u);
    expectResting();
    sim->state()->box.faults().failPages.erase(0x0C13);

    // The version query after the pages fails.
    ui.clear();
    sim->clearReceivedCommands();
    onNth(CMD_READ_VERSIONS, 1, [this] { sim->state()->box.faults().corruptReplies = 3; });
    EXPECT_TRUE(isError(load(img)));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_EQ(loadPages().size(), 48u);
    expectResting();

    // The switch back fails: "Error", the versions as read before.
    ui.clear();
    sim->clearReceivedCommands();
    onNth(CMD_SET_LINK_RATE, 2, [this] { sim->state()->box.faults().dropAcks = 3; });
    const auto r = load(img);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.firmwareVersion, "V1.40 2003/04/05");
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    EXPECT_FALSE(link->isOpen());
}

TEST_F(Loader, CancelStopsThePagesAndABusyBoxWaitsForIt)
{
    const FirmwareImage img = firmware();
    auto r = load(img, [this] { return countCode(sim->receivedCommands(), CMD_LOAD_WRITE_PAGE) >= 5; });
    EXPECT_TRUE(isError(r));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_GE(loadPages().size(), 5u);
    EXPECT_LT(loadPages().size(), 48u);
    EXPECT_EQ(countCode(accepted(*sim), CMD_READ_VERSIONS), 0u);
    EXPECT_EQ(lastDone, lastTotal + 1000);
    expectResting();

    // A box that stays busy is polled until Cancel; no page goes out.
    sim->clearReceivedCommands();
    sim->state()->box.faults().stayBusy = true;
    r = load(img, [this] { return countCode(sim->receivedCommands(), CMD_READ_STATUS) >= 10; });
    sim->state()->box.faults().stayBusy = false;
    EXPECT_TRUE(isError(r));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_GE(countCode(accepted(*sim), CMD_READ_STATUS), 10u);
    EXPECT_EQ(loadPages().size(), 0u);
    expectResting();

    // Busy beyond the page limit after the fifth page: a communication error
    // naming that page, and the pages the box took are counted.
    link->timing.pageBusyLimit = 150ms;
    onNth(CMD_LOAD_WRITE_PAGE, 5, [this] { sim->state()->box.faults().stayBusy = true; });
    boxTarget.rate = LinkRate::Bps115200;
    auto k = sink();
    const BoxOutcome o = session->loadFirmware(boxTarget, img, "/fw/new.hex", k);
    sim->state()->box.faults().stayBusy = false;
    EXPECT_EQ(o.kind, OutcomeClass::CommunicationError);
    EXPECT_EQ(o.failedCommand, "CMD_LOAD_WRITE_PAGE");
    EXPECT_EQ(o.failedPage, std::optional<std::uint16_t>(0x0C14));
    EXPECT_EQ(o.pagesWritten, 5);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCommError});
    expectResting();
}

} // namespace
} // namespace plx71::test
