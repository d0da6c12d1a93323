// Download against the software writer box: the order of the commands, the
// pages sent, the waits, and every failure on its way.
#include "sim_world.hpp"

#include "ops/download.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"

#include <algorithm>

namespace plx71::test {
namespace {

using plx71sim::ReceivedCommand;

class Download : public SimWorld {
protected:
    bool download(std::function<bool()> cancelWhen = {})
    {
        auto s = sink(std::move(cancelWhen));
        outcome = session->download(boxTarget, boxJobOf(state, job), s, DownloadOptions{false});
        return outcome.ok();
    }

    BoxOutcome outcome; // of the last download()

    std::vector<std::uint16_t> pagesWritten()
    {
        std::vector<std::uint16_t> pages;
        for (auto& c : accepted(*sim))
            if (c.code == CMD_WRITE_PAGE)
                pages.push_back(pageOf(c));
        return pages;
    }

    std::size_t writesSeen() const
    {
        std::size_t n = 0;
        for (auto& c : sim->receivedCommands())
            n += c.code == CMD_WRITE_PAGE;
        return n;
    }
};

std::vector<std::uint16_t> pageRun(std::uint16_t first, std::uint16_t count)
{
    std::vector<std::uint16_t> v(count);
    for (std::uint16_t i = 0; i < count; ++i)
        v[i] = std::uint16_t(first + i);
    return v;
}

TEST(DownloadTotals, FixedBlockSizesOfTheSelectionPlusEightBootPages)
{
    EXPECT_EQ(downloadProgressTotal(0x1D, false), 0x1E000);
    EXPECT_EQ(downloadProgressTotal(0x7F, false), 0x40000);
    EXPECT_EQ(downloadProgressTotal(0x7F, true), 0x45000);
    EXPECT_EQ(downloadProgressTotal(0x80, true), 0x5000); // bit 7 counts nothing
    EXPECT_EQ(downloadProgressTotal(0x1F, false), 0x20000);
}

TEST_F(Download, AllBlocksWithBootRomSendsTheJobInOrderAndRestsAt9600)
{
    job.bootRomFileName = "boot.btp";
    job.updateEnable = 1;
    job.targetBaudIndex = 6;
    job.idCode = {1, 2, 3, 4, 5, 6, 7};
    job.lockBitMode = LockBitMode::NoChange;
    fillPattern(state.images.boot, 9);

    ASSERT_TRUE(download());
    EXPECT_TRUE(ui.messages().empty()) << ui.texts().front();
    expectResting();

    const auto cmds = accepted(*sim);
    const auto all = codes(cmds);
    const std::vector<std::uint8_t> head(all.begin(), all.begin() + std::min<std::ptrdiff_t>(11, all.size()));
    const std::vector<std::uint8_t> settings{CMD_SET_LINK_RATE,        CMD_READ_VERSIONS,      CMD_SET_DEVICE,
                                             CMD_SET_TARGET_RATE,      CMD_SET_BOOT_FILE_NAME, CMD_SET_USER_FILE_NAME,
                                             CMD_SET_OPERATION_BLOCKS, CMD_SET_LOCK_BITS,      CMD_SET_CHECK_ID,
                                             CMD_SET_UPDATE_ENABLE,    CMD_ERASE_BLOCKS};
    EXPECT_EQ(head, settings);
    ASSERT_GE(cmds.size(), 11u);
    EXPECT_EQ(cmds[0].payload, (plx71sim::Bytes{5}));
    EXPECT_EQ(cmds[0].rate, 9600);
    EXPECT_EQ(cmds[1].rate, 115200);
    EXPECT_EQ(cmds[3].payload, (plx71sim::Bytes{7}));
    EXPECT_EQ(cmds[6].payload, (plx71sim::Bytes{0x7F}));
    EXPECT_EQ(cmds[7].payload, (plx71sim::Bytes{0x80}));
    EXPECT_EQ(cmds[8].payload, (plx71sim::Bytes{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(cmds[9].payload, (plx71sim::Bytes{1}));
    EXPECT_EQ(cmds[10].payload, (plx71sim::Bytes{0x7F, 0, 0, 0}));

    // Erase, wait; the User ROM pages back to back; wait; each Boot ROM
    // page followed by a wait; END, COMMIT, wait; back to 9600.
    const auto pastWait = [&cmds](std::size_t i) {
        EXPECT_TRUE(i < cmds.size() && cmds[i].code == CMD_READ_STATUS) << "no wait at command " << i;
        while (i < cmds.size() && cmds[i].code == CMD_READ_STATUS)
            ++i;
        return i;
    };
    std::size_t i = pastWait(11);
    std::vector<std::uint16_t> user;
    while (i < cmds.size() && cmds[i].code == CMD_WRITE_PAGE)
        user.push_back(pageOf(cmds[i++]));
    EXPECT_EQ(user, pageRun(0x0C00, 0x400));
    i = pastWait(i);
    std::vector<std::uint16_t> boot;
    while (i < cmds.size() && cmds[i].code == CMD_WRITE_PAGE) {
        boot.push_back(pageOf(cmds[i++]));
        i = pastWait(i);
    }
    EXPECT_EQ(boot, pageRun(0x1FE0, 8)); // eight pages of the 8 KiB area
    std::vector<std::uint8_t> tail;
    for (; i < cmds.size(); ++i)
        if (tail.empty() || cmds[i].code != CMD_READ_STATUS || tail.back() != CMD_READ_STATUS)
            tail.push_back(cmds[i].code);
    EXPECT_EQ(tail,
              (std::vector<std::uint8_t>{CMD_DOWNLOAD_END, CMD_DOWNLOAD_COMMIT, CMD_READ_STATUS, CMD_SET_LINK_RATE}));
    EXPECT_EQ(cmds.back().payload, (plx71sim::Bytes{1}));

    // What the box now holds.
    const auto held = sim->state()->box.job().settings;
    EXPECT_EQ(held.deviceName, "M30624FGFP");
    EXPECT_EQ(held.device, (std::array<std::uint8_t, 10>{0xE0, 0x0F, 0x08, 0x00, 0x00, 0x0C, 0x00, 0x01, 0x07, 0x22}));
    EXPECT_EQ(held.userFileName, "user.hex");
    EXPECT_EQ(held.bootFileName, "boot.btp");
    for (std::uint16_t p : {0x0C00, 0x0D37, 0x0FFF}) {
        const auto page = sim->state()->box.job().page(std::uint16_t(p));
        EXPECT_TRUE(std::equal(page.begin(), page.end(), state.images.user.begin() + (p - 0x0C00) * 256)) << p;
    }
    const auto bootPage = sim->state()->box.job().page(0x1FE7);
    EXPECT_TRUE(std::equal(bootPage.begin(), bootPage.end(), state.images.boot.begin() + 7 * 256));
    EXPECT_EQ(lastTotal, 0x45000);
    EXPECT_EQ(lastDone, 0x45000);
    EXPECT_EQ(lastView.title, "Downloading...   PC -> PLX-71RD");
    EXPECT_EQ(lastView.text, "user.hex");
}

TEST_F(Download, BlockListSendsTheSelectedBlocksInAscendingAddressesAndNoBootPages)
{
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "0,2-4";
    job.lockBitMode = LockBitMode::Block;
    job.lockBlockList = "";
    ASSERT_TRUE(download());
    const auto cmds = accepted(*sim);
    auto find = [&](std::uint8_t code) {
        return std::find_if(cmds.begin(), cmds.end(), [&](auto& c) { return c.code == code; });
    };
    ASSERT_NE(find(CMD_SET_OPERATION_BLOCKS), cmds.end());
    EXPECT_EQ(find(CMD_SET_OPERATION_BLOCKS)->payload, (plx71sim::Bytes{0x1D}));
    EXPECT_EQ(find(CMD_SET_LOCK_BITS)->payload, (plx71sim::Bytes{0x00})); // empty list: no fallback
    EXPECT_EQ(find(CMD_ERASE_BLOCKS)->payload, (plx71sim::Bytes{0x7F, 0, 0, 0}));
    EXPECT_EQ(find(CMD_SET_BOOT_FILE_NAME)->payload, (plx71sim::Bytes{0}));

    std::vector<std::uint16_t> expected = pageRun(0x0E00, 0x100);                          // block 4
    for (auto run : {pageRun(0x0F00, 0x80), pageRun(0x0F80, 0x20), pageRun(0x0FC0, 0x40)}) // blocks 3, 2, 0
        expected.insert(expected.end(), run.begin(), run.end());
    EXPECT_EQ(pagesWritten(), expected);
    EXPECT_EQ(lastTotal, 0x1E000);
    EXPECT_EQ(lastDone, 0x1E000);

    // An unusable list falls back to every block.
    sim->clearReceivedCommands();
    job.operationBlockList = "9";
    ASSERT_TRUE(download());
    const auto again = accepted(*sim);
    auto ops = std::find_if(again.begin(), again.end(), [](auto& c) { return c.code == CMD_SET_OPERATION_BLOCKS; });
    ASSERT_NE(ops, again.end());
    EXPECT_EQ(ops->payload, (plx71sim::Bytes{0x7F}));
    EXPECT_EQ(pagesWritten().size(), 0x400u);
}

TEST_F(Download, LowVccDevicesPauseAfterEveryPage)
{
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "1";
    ASSERT_TRUE(download());
    EXPECT_EQ(countSleeps(quickTiming().lowVccPagePause), 0u); // 5.0 V

    selectDevice(state, job, state.deviceTable.find("M30622F8LFP")); // 3.3 V, blocks 0-3
    job.operationBlockList = "1-2";
    job.bootRomFileName = "boot.btp";
    sleeps.clear();
    ASSERT_TRUE(download());
    EXPECT_EQ(countSleeps(quickTiming().lowVccPagePause), 0x40u + 8u);
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(Download, RefusesWithoutSendingAnything)
{
    // No device chosen, or no User ROM data: nothing to download.
    PcJobState blank;
    blank.deviceTable = state.deviceTable;
    auto s = sink();
    EXPECT_FALSE(session->download(boxTarget, boxJobOf(blank, job), s).ok());
    JobSettings noFile = job;
    noFile.userRomFileName.clear();
    EXPECT_FALSE(session->download(boxTarget, boxJobOf(state, noFile), s).ok());
    EXPECT_TRUE(ui.messages().empty());

    // A file name the box cannot take: stop message before the port opens.
    job.bootRomFileName = "/data/" + std::string(250, 'b') + ".btp";
    EXPECT_FALSE(download());
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0], (RecordedMessage{Icon::Stop, msg::fileNameTooLong(job.bootRomFileName), false}));
    EXPECT_TRUE(sim->receivedCommands().empty());
    EXPECT_EQ(sim->state()->portOpenCount, 0);
}

TEST_F(Download, PortAndRateSwitchFailuresEndBeforeAnySetting)
{
    usePort(PortChoice::path("/nonexistent/plx71-port"));
    EXPECT_FALSE(download());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"/nonexistent/plx71-port cannot be used"});
    EXPECT_TRUE(sim->receivedCommands().empty());

    ui.clear();
    usePort(PortChoice::path(sim->slavePath()));
    sim->state()->box.faults().silent = true;
    EXPECT_FALSE(download());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    for (auto& c : sim->receivedCommands())
        EXPECT_EQ(c.code, CMD_SET_LINK_RATE);
    sim->state()->box.faults().silent = false;
    expectResting();
}

TEST_F(Download, VersionFailuresReturnTheBoxTo9600)
{
    sim->state()->box.faults().corruptReplies = 3; // the version reply, three times
    EXPECT_FALSE(download());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    EXPECT_EQ(countCode(accepted(*sim), CMD_SET_DEVICE), 0u);
    expectResting();

    ui.clear();
    sim->clearReceivedCommands();
    sim->state()->box.job().firmwareVersion = plx71sim::versionField("V1.20 2001/01/01");
    EXPECT_FALSE(download());
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0], (RecordedMessage{Icon::Stop, "Firmware Version is different", false}));
    EXPECT_EQ(link->firmwareVersion, "V1.20 2001/01/01");
    EXPECT_EQ(codes(accepted(*sim)),
              (std::vector<std::uint8_t>{CMD_SET_LINK_RATE, CMD_READ_VERSIONS, CMD_SET_LINK_RATE}));
    expectResting();

    ui.clear();
    sim->state()->box.job().firmwareVersion =
        plx71sim::versionField("V1.31 2002/02/02"); // the first four characters decide
    EXPECT_TRUE(download());
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(Download, AFailingUncheckedSettingIsShownAndTheJobGoesOn)
{
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "1";
    for (std::uint8_t code : {CMD_SET_DEVICE, CMD_SET_TARGET_RATE, CMD_SET_BOOT_FILE_NAME, CMD_SET_USER_FILE_NAME}) {
        ui.clear();
        sim->clearReceivedCommands();
        onNth(code, 1, [this] { sim->state()->box.faults().naks = 3; });
        // The data goes out, but the box may not hold the whole job: the
        // outcome says so.
        EXPECT_FALSE(download()) << int(code);
        EXPECT_EQ(outcome.kind, OutcomeClass::CommunicationError) << int(code);
        EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)}) << int(code);
        EXPECT_EQ(countCode(accepted(*sim), CMD_DOWNLOAD_COMMIT), 1u) << int(code);
        expectResting();
    }
}

TEST_F(Download, AFailingCheckedSettingEndsTheJobBeforeTheData)
{
    for (std::uint8_t code : {CMD_SET_OPERATION_BLOCKS, CMD_SET_LOCK_BITS, CMD_SET_CHECK_ID, CMD_SET_UPDATE_ENABLE}) {
        ui.clear();
        sim->clearReceivedCommands();
        onNth(code, 1, [this] { sim->state()->box.faults().dropAcks = 3; });
        EXPECT_FALSE(download()) << int(code);
        EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)}) << int(code);
        const auto cmds = accepted(*sim);
        EXPECT_EQ(countCode(cmds, CMD_ERASE_BLOCKS), 0u) << int(code);
        ASSERT_FALSE(cmds.empty());
        EXPECT_EQ(cmds.back().code, CMD_SET_LINK_RATE);
        expectResting();
    }
}

TEST_F(Download, WorkerFailuresStopTheDataWithoutClosingCommands)
{
    // Erase refused: no pages at all.
    onNth(CMD_ERASE_BLOCKS, 1, [this] { sim->state()->box.faults().naks = 3; });
    EXPECT_FALSE(download());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    EXPECT_TRUE(pagesWritten().empty());
    EXPECT_EQ(countCode(accepted(*sim), CMD_DOWNLOAD_END), 0u);
    expectResting();

    // A User ROM page refused: the message once, nothing after it.
    ui.clear();
    onCommand = nullptr;
    sim->clearReceivedCommands();
    sim->state()->box.faults().failPages.insert(0x0C05);
    EXPECT_FALSE(download());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    EXPECT_EQ(pagesWritten(), pageRun(0x0C00, 5));
    EXPECT_EQ(outcome.failedReply, CommandReply::Refused);
    const auto cmds = accepted(*sim);
    EXPECT_EQ(countCode(cmds, CMD_DOWNLOAD_END) + countCode(cmds, CMD_DOWNLOAD_COMMIT), 0u);
    EXPECT_GE(lastDone, lastTotal + 1000);
    expectResting();

    // A Boot ROM page refused.
    ui.clear();
    sim->state()->box.faults().failPages.erase(0x0C05);
    sim->state()->box.faults().failPages.insert(0x1FE2);
    sim->clearReceivedCommands();
    job.bootRomFileName = "boot.btp";
    EXPECT_FALSE(download());
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    auto pages = pagesWritten();
    ASSERT_EQ(pages.size(), 0x400u + 2u);
    EXPECT_EQ(pages.back(), 0x1FE1);
    EXPECT_EQ(countCode(accepted(*sim), CMD_DOWNLOAD_END), 0u);
    expectResting();

    // A box that falls silent among the User ROM pages: the message once,
    // not again for the poll and the way back to 9600.
    ui.clear();
    sim->state()->box.faults().failPages.erase(0x1FE2);
    onNth(CMD_WRITE_PAGE, 5, [this] { sim->state()->box.faults().silent = true; });
    EXPECT_FALSE(download());
    EXPECT_EQ(outcome.failedReply, CommandReply::Silent);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    onCommand = nullptr;
    sim->state()->box.faults().silent = false;
}

TEST_F(Download, CancelDuringUserPagesSendsNoClosingCommands)
{
    EXPECT_FALSE(download([this] { return writesSeen() >= 20; }));
    EXPECT_TRUE(ui.messages().empty());
    const auto cmds = accepted(*sim);
    const auto pages = countCode(cmds, CMD_WRITE_PAGE);
    EXPECT_GE(pages, 20u);
    EXPECT_LT(pages, 0x400u);
    EXPECT_EQ(countCode(cmds, CMD_DOWNLOAD_END) + countCode(cmds, CMD_DOWNLOAD_COMMIT), 0u);
    EXPECT_EQ(cmds.back().code, CMD_SET_LINK_RATE);
    EXPECT_EQ(lastDone, lastTotal + 1000);
    expectResting();
}

TEST_F(Download, WaitsForTheBusyBoxAfterEraseBootPagesAndCommit)
{
    plx71sim::Options o = quickOpsBox();
    o.box.busyTime = 30ms;
    o.box.strictBusy = true; // a page sent while busy would be refused
    startBox(o);
    job.bootRomFileName = "boot.btp";
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "0";
    ASSERT_TRUE(download());
    EXPECT_TRUE(ui.messages().empty());
    for (auto& c : sim->receivedCommands()) {
        if (c.code == CMD_WRITE_PAGE || c.code == CMD_DOWNLOAD_COMMIT) {
            EXPECT_FALSE(c.busy) << "command " << int(c.code);
        }
    }
    // The last poll after COMMIT found the box idle.
    const auto cmds = accepted(*sim);
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_EQ(cmds[cmds.size() - 2].code, CMD_READ_STATUS);
    EXPECT_FALSE(cmds[cmds.size() - 2].busy);
    EXPECT_GE(countCode(cmds, CMD_READ_STATUS), 8u + 3u);
}

// A box that never ends its busy time: the job ends, once reported, as a
// communication error naming what the box was busy with, and the box is
// put back to rest. Cancel still works while it is polled.
TEST_F(Download, ABoxThatStaysBusyEndsTheJobAsACommunicationErrorOrOnCancel)
{
    struct Case {
        std::uint8_t code;
        std::optional<std::uint16_t> page; // the page whose write starts the busy time
        std::string failed;
    };
    const Case cases[] = {
        {CMD_ERASE_BLOCKS, std::nullopt, "CMD_ERASE_BLOCKS"},
        {CMD_WRITE_PAGE, 0x1FE1, "CMD_WRITE_PAGE"},
        {CMD_DOWNLOAD_COMMIT, std::nullopt, "CMD_DOWNLOAD_COMMIT"},
    };
    job.bootRomFileName = "boot.btp";
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "0";
    link->timing.eraseBusyLimit = link->timing.pageBusyLimit = link->timing.commitBusyLimit = 150ms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failed);
        ui.clear();
        onCommand = [this, c](std::uint8_t code, std::span<const std::uint8_t> payload) {
            if (code == c.code && (!c.page || (payload[0] | payload[1] << 8) == *c.page))
                sim->state()->box.faults().stayBusy = true;
        };
        EXPECT_FALSE(download());
        sim->state()->box.faults().stayBusy = false;
        EXPECT_EQ(outcome.kind, OutcomeClass::CommunicationError);
        EXPECT_EQ(outcome.failedCommand, c.failed);
        EXPECT_EQ(outcome.failedPage, c.page);
        EXPECT_EQ(outcome.failedReply, CommandReply::Busy);
        EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
        expectResting();
    }

    // With limits far away, Cancel ends the polling.
    link->timing.eraseBusyLimit = 600s;
    ui.clear();
    sim->clearReceivedCommands();
    onNth(CMD_ERASE_BLOCKS, 1, [this] { sim->state()->box.faults().stayBusy = true; });
    EXPECT_FALSE(download([this] { return countCode(sim->receivedCommands(), CMD_READ_STATUS) >= 10; }));
    sim->state()->box.faults().stayBusy = false;
    EXPECT_EQ(outcome.kind, OutcomeClass::Cancelled);
    EXPECT_TRUE(ui.messages().empty());
    expectResting();
}

} // namespace
} // namespace plx71::test
