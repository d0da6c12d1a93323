// The box session's outcomes against the software writer box: a download
// read back, a verify that finds a page or a setting changed, Cancel in
// every phase, and jobs refused before anything is sent.
#include "sim_world.hpp"

#include "ops/download.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"

#include "../../src/ops/port_diagnosis.hpp"

namespace plx71::test {
namespace {

class Session : public SimWorld {
protected:
    void SetUp() override
    {
        SimWorld::SetUp();
        // Block 1 (0FA000-0FBFFF, 32 pages) and eight Boot ROM pages.
        job.operationBlockMode = OperationBlockMode::Block;
        job.operationBlockList = "1";
        job.bootRomFileName = "boot.btp";
        job.lockBitMode = LockBitMode::Block;
        job.lockBlockList = "0,2";
        fillPattern(state.images.boot, 9);
    }

    BoxOutcome download(DownloadOptions options = {}, std::function<bool()> cancelWhen = {})
    {
        auto s = sink(std::move(cancelWhen));
        return session->download(boxTarget, boxJobOf(state, job), s, options);
    }
    BoxOutcome verify(std::function<bool()> cancelWhen = {})
    {
        auto s = sink(std::move(cancelWhen));
        return session->verify(boxTarget, boxJobOf(state, job), s);
    }
    std::size_t accepted(std::uint8_t code) const { return countCode(test::accepted(*sim), code); }
};

TEST_F(Session, ADownloadIsReadBackPageByPageInItsOwnPhase)
{
    const BoxOutcome o = download();
    EXPECT_TRUE(o.ok()) << outcomeClassName(o.kind);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_TRUE(o.verified);
    EXPECT_EQ(o.pagesWritten, 40);
    EXPECT_EQ(o.pagesVerified, 40);
    EXPECT_EQ(o.firmwareVersion, "V1.30 2001/12/25");
    EXPECT_EQ(accepted(CMD_READ_PAGE), 40u);
    EXPECT_EQ(accepted(CMD_READ_SETTINGS), 1u);
    // The read-back comes after the commit's wait and before the way back.
    const auto all = codes(test::accepted(*sim));
    const auto commit = std::find(all.begin(), all.end(), CMD_DOWNLOAD_COMMIT);
    const auto settings = std::find(all.begin(), all.end(), CMD_READ_SETTINGS);
    EXPECT_LT(commit, settings);
    EXPECT_EQ(all.back(), CMD_SET_LINK_RATE);
    EXPECT_EQ(lastView.kind, TransferKind::Verify);
    EXPECT_EQ(lastTotal, 41 * 256);
    EXPECT_EQ(lastDone, 41 * 256);
    const std::vector<ProgressPhase> expected{ProgressPhase::Connect,   ProgressPhase::Settings,  ProgressPhase::Erase,
                                              ProgressPhase::UserPages, ProgressPhase::BootPages, ProgressPhase::Commit,
                                              ProgressPhase::Verify,    ProgressPhase::Closing};
    EXPECT_EQ(phases, expected);
    expectResting();

    // Without the read-back the wire holds the download alone.
    sim->clearReceivedCommands();
    const BoxOutcome plain = download(DownloadOptions{false});
    EXPECT_TRUE(plain.ok());
    EXPECT_FALSE(plain.verified);
    EXPECT_EQ(accepted(CMD_READ_PAGE) + accepted(CMD_READ_SETTINGS), 0u);
}

struct VerifyFault {
    const char* name;
    std::function<void(plx71sim::Simulator&)> arm;
    OutcomeClass kind;
    std::string where;   // the first difference
    std::string message; // shown with the stop icon
};

TEST_F(Session, EachVerifyFaultHasItsOwnOutcomeAndWritesNothing)
{
    ASSERT_TRUE(download().ok());
    const auto userImage = state.images.user;
    const std::string commError(msg::kCommunicationError);
    const std::vector<VerifyFault> faults{
        {"a flipped User ROM byte", [](auto& s) { s.state()->box.faults().flipReads[0x0FA1] = 0x30; },
         OutcomeClass::VerifyMismatch, "0FA130", msg::verifyMismatchAt("0FA130")},
        {"a flipped Boot ROM byte", [](auto& s) { s.state()->box.faults().flipReads[0x1FE2] = 0x05; },
         OutcomeClass::VerifyMismatch, "0FE205", msg::verifyMismatchAt("0FE205")},
        {"lock bits", [](auto& s) { s.state()->box.faults().alterSetting = "lock-bits"; }, OutcomeClass::VerifyMismatch,
         "lockBits", msg::verifyMismatchIn("lockBits")},
        {"device", [](auto& s) { s.state()->box.faults().alterSetting = "device"; }, OutcomeClass::VerifyMismatch,
         "device", msg::verifyMismatchIn("device")},
        {"no job", [](auto& s) { s.state()->box.faults().noSettings = true; }, OutcomeClass::SettingsNotLoaded, "",
         std::string(msg::kSettingsNotLoaded)},
        // Silent for every try of one page read (3 cycles of 3 sends).
        {"silent box", [this](auto& s) { onNth(CMD_READ_PAGE, 3, [&s] { s.state()->box.faults().dropAcks = 9; }); },
         OutcomeClass::CommunicationError, "", commError},
    };
    for (const VerifyFault& f : faults) {
        SCOPED_TRACE(f.name);
        ui.clear();
        sim->clearReceivedCommands();
        f.arm(*sim);
        const BoxOutcome o = verify();
        {
            std::lock_guard lock(hookMutex);
            onCommand = nullptr;
        }
        EXPECT_EQ(o.kind, f.kind) << outcomeClassName(o.kind);
        EXPECT_EQ(o.difference.where(), f.where);
        EXPECT_EQ(ui.texts(), std::vector<std::string>{f.message});
        EXPECT_EQ(ui.messages().at(0).icon, Icon::Stop);
        EXPECT_FALSE(o.verified);
        for (std::uint8_t code : {CMD_ERASE_BLOCKS, CMD_WRITE_PAGE, CMD_DOWNLOAD_END, CMD_DOWNLOAD_COMMIT})
            EXPECT_EQ(accepted(code), 0u) << int(code);
        expectResting();
        EXPECT_EQ(state.images.user, userImage);
        sim->state()->box.faults().flipReads.erase(0x0FA1);
        sim->state()->box.faults().flipReads.erase(0x1FE2);
        sim->state()->box.faults().alterSetting = "";
        sim->state()->box.faults().noSettings = false;
    }
    // The silent box failed on the third page read, after two good ones.
    EXPECT_TRUE(verify().ok());
    // Another file name: the read-back of a download tells, a verify (which
    // compares names only for presence) does not.
    sim->state()->box.faults().alterSetting = "user-file-name";
    EXPECT_EQ(download().difference.where(), "userRomFileName");
    EXPECT_TRUE(verify().ok());
    sim->state()->box.faults().alterSetting = "";
}

TEST_F(Session, AFlippedByteFailsTheDownloadAfterThePortIsClosed)
{
    sim->state()->box.faults().flipReads[0x0FA0] = 0x00;
    const BoxOutcome o = download();
    EXPECT_EQ(o.kind, OutcomeClass::VerifyMismatch);
    EXPECT_EQ(o.difference.address, 0x0FA000u);
    EXPECT_EQ(o.difference.expected, state.images.user[0x3A000]);
    EXPECT_EQ(o.difference.found, std::uint8_t(~state.images.user[0x3A000]));
    EXPECT_EQ(o.pagesWritten, 40);
    EXPECT_EQ(o.pagesVerified, 0);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Verify error at address 0FA000"});
    expectResting();
}

TEST_F(Session, CancelEndsTheDownloadOrTheReadBackAndAVerifyFindsTheGap)
{
    // Cancel among the pages: no closing commands, and the box, whose job
    // never reached its commit, answers a verify as a box without a job.
    BoxOutcome o = download({}, [this] { return accepted(CMD_WRITE_PAGE) >= 5; });
    EXPECT_EQ(o.kind, OutcomeClass::Cancelled);
    EXPECT_EQ(accepted(CMD_DOWNLOAD_COMMIT), 0u);
    EXPECT_TRUE(ui.messages().empty());
    expectResting();
    o = verify();
    EXPECT_EQ(o.kind, OutcomeClass::SettingsNotLoaded) << outcomeClassName(o.kind);
    expectResting();

    // Cancel in the read-back: a phase of its own, stopped like the data.
    ui.clear();
    ASSERT_TRUE(download(DownloadOptions{false}).ok());
    sim->clearReceivedCommands();
    o = verify([this] { return accepted(CMD_READ_PAGE) >= 3; });
    EXPECT_EQ(o.kind, OutcomeClass::Cancelled);
    EXPECT_LT(accepted(CMD_READ_PAGE), 40u);
    EXPECT_TRUE(ui.messages().empty());
    expectResting();
}

TEST_F(Session, JobsTheBoxCannotHandBackAreRefusedBeforeAnythingIsSent)
{
    // 25 + 10 (device) + 200 + 63 = 298 > 297 bytes of the settings reply.
    job.userRomFileName = std::string(200, 'u');
    job.bootRomFileName = std::string(63, 'b');
    BoxOutcome o = download();
    EXPECT_EQ(o.kind, OutcomeClass::FileError);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{msg::namesTooLongForBox(273, 272)});
    EXPECT_EQ(ui.messages().at(0).icon, Icon::Stop);
    EXPECT_TRUE(sim->receivedCommands().empty());
    EXPECT_EQ(sim->state()->portOpenCount, 0);

    // One character less fits.
    ui.clear();
    job.bootRomFileName.pop_back();
    EXPECT_TRUE(download().ok());
    EXPECT_EQ(sim->state()->box.job().settings.bootFileName, job.bootRomFileName);
}

TEST_F(Session, PortAndLinkFailuresNameTheirClass)
{
    usePort(PortChoice::path("/nonexistent/plx71-port"));
    BoxOutcome o = download();
    EXPECT_EQ(o.kind, OutcomeClass::PortNotFound);
    EXPECT_EQ(o.portName, "/nonexistent/plx71-port");
    EXPECT_EQ(ui.details(), std::vector<std::string>{"not found: no device /nonexistent/plx71-port"});

    usePort(PortChoice::path(sim->slavePath()));
    sim->state()->box.faults().silent = true;
    o = download();
    EXPECT_EQ(o.kind, OutcomeClass::NoAnswer);
    EXPECT_EQ(o.failedCommand, "CMD_SET_LINK_RATE");
    sim->state()->box.faults().silent = false;

    onNth(CMD_WRITE_PAGE, 4, [this] { sim->state()->box.faults().failPages.insert(0x0FA3); });
    o = download();
    EXPECT_EQ(o.kind, OutcomeClass::CommunicationError);
    EXPECT_EQ(o.failedCommand, "CMD_WRITE_PAGE");
    EXPECT_EQ(o.failedPage, std::optional<std::uint16_t>(0x0FA3));
    EXPECT_EQ(o.pagesWritten, 3);
    expectResting();

    sim->state()->box.job().firmwareVersion = plx71sim::versionField("V1.20 2001/01/01");
    EXPECT_EQ(download().kind, OutcomeClass::FirmwareVersionDifferent);
}

#ifndef _WIN32
// Devices that carry no serial line are named so, never "busy"; the port as
// given and the node it ends at are in the outcome.
TEST_F(Session, DevicesThatAreNoSerialPortAreNamedSo)
{
    for (const std::string path : {"/dev/null", "/dev/zero", "/dev/tty"}) {
        PortChoice port = PortChoice::path(path);
        port.given = "line-" + path.substr(5);
        usePort(port);
        ui.clear();
        const BoxOutcome o = download();
        EXPECT_EQ(o.kind, OutcomeClass::PortNotFound) << path;
        EXPECT_EQ(ui.details(), std::vector<std::string>{"not found: " + path + " is not a serial port"});
        EXPECT_EQ(o.portGiven, port.given);
        EXPECT_EQ(o.deviceNode, path);
    }
}

// A group is named only when joining it lets the user read and write the
// device, and never root; else the owner, the mode and the udev rule.
TEST(PortAdvice, NamesAGroupOnlyWhenJoiningItHelps)
{
    struct Case {
        ops_detail::DeviceOwnership who;
        std::string group; // named for usermod, or empty
    };
    const Case cases[] = {
        {{"root", "dialout", 20, 020660}, "dialout"},
        {{"root", "root", 0, 020600}, ""},
        {{"root", "root", 0, 020660}, ""},
        {{"root", "dialout", 20, 020640}, ""},
    };
    for (const Case& c : cases) {
        std::string named;
        const std::string advice = ops_detail::permissionAdvice("/dev/ttyUSB0", c.who, named);
        EXPECT_EQ(named, c.group) << advice;
        EXPECT_EQ(advice.find("usermod") != std::string::npos, !c.group.empty()) << advice;
        EXPECT_EQ(advice.find("-aG root"), std::string::npos) << advice;
        if (c.group.empty()) {
            EXPECT_NE(advice.find(c.who.owner + ":" + c.who.group + " with mode 0"), std::string::npos) << advice;
            EXPECT_NE(advice.find("udev rule"), std::string::npos) << advice;
        }
    }
}
#endif

TEST(SettingsReply, FitsTheBoxsOneFrame)
{
    DeviceRecord d;
    d.name = "M30624FGFP";
    JobSettings job;
    job.userRomFileName = std::string(262, 'u');
    EXPECT_EQ(settingsReplyLength(d, job), 297u);
    EXPECT_TRUE(settingsReplyFits(d, job));
    job.bootRomFileName = "b";
    EXPECT_FALSE(settingsReplyFits(d, job));
}

} // namespace
} // namespace plx71::test
