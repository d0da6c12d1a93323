// Upload against the software writer box, and how a settings record comes
// back into the job.
#include "sim_world.hpp"

#include "ops/download.hpp"
#include "ops/upload.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/box_session_access.hpp"
#include "plx71/testing/scratch_dir.hpp"

#include <cstdlib>
#include <filesystem>

namespace plx71::test {
namespace {

// Records whether the port was still open when each message came.
class PortWatchingUi : public Ui {
public:
    explicit PortWatchingUi(const BoxLink*& link) : link_(link) {}
    void message(Icon, const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        shown.push_back({text, link_ && link_->isOpen()});
    }
    bool question(Icon, const std::string&) override { return false; }
    std::vector<std::pair<std::string, bool>> shown;

private:
    const BoxLink*& link_;
    std::mutex mutex_;
};

class Upload : public SimWorld {
protected:
    UploadResult upload(PcJobState& s, JobSettings& j, std::function<bool()> cancelWhen = {})
    {
        auto k = sink(std::move(cancelWhen));
        return uploadResultOf(session->upload(boxTarget, s, j, k));
    }

    UploadResult uploadOn(BoxSession& other, PcJobState& s, JobSettings& j)
    {
        auto k = sink();
        return uploadResultOf(other.upload(boxTarget, s, j, k));
    }

    // A fresh program: the table, nothing chosen, images blank.
    PcJobState freshState()
    {
        PcJobState s;
        s.deviceTable = testTable();
        return s;
    }

    // Stores a job in the box: the data from real files, as "Select..." loads them.
    void storeJob()
    {
        auto userImage = blankImage(Area::UserRom);
        fillPattern(userImage, 3);
        userImage[0x3FFFF] = 0xFF; // no protect
        auto bootImage = blankImage(Area::BootRom);
        for (std::size_t i = 0; i < 0x800; ++i)
            bootImage[i] = std::uint8_t(i * 5 + 1);
        const auto user = dir / "user.hex";
        const auto boot = dir / "boot.btp";
        ASSERT_TRUE(saveDataFile(ui, user, {userImage, 0xC0000, 0xFFFFF, 0, {}}));
        ASSERT_TRUE(saveDataFile(ui, boot, {std::span(bootImage).first(0x800), 0xFE000, 0xFE7FF, 0, {}}));
        ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, user));
        ASSERT_TRUE(loadAreaFile(ui, state, job, Area::BootRom, boot));
        job.targetBaudIndex = 4;
        job.lockBitMode = LockBitMode::Block;
        job.lockBlockList = "1,3";
        job.operationBlockMode = OperationBlockMode::All;
        auto k = sink();
        ASSERT_TRUE(session->download(boxTarget, boxJobOf(state, job), k, DownloadOptions{false}).ok());
        ASSERT_TRUE(ui.messages().empty()) << ui.texts().front();
        sim->clearReceivedCommands();
    }

    // The box's stored job with other settings.
    void storeSettings(const std::function<void(plx71sim::WriterSettings&)>& change)
    {
        auto stored = sim->state()->box.job();
        change(stored.settings);
        sim->state()->replaceJob(stored);
    }

    ScratchDir dir;
};

TEST(UploadTotals, UserAreaPlusEightBootPages)
{
    DeviceRecord d = startupDefaultDevice();
    EXPECT_EQ(uploadProgressTotal(d, true), 0x40800);
    EXPECT_EQ(uploadProgressTotal(d, false), 0x40000);
    d.userRomStart = 0xE0000;
    EXPECT_EQ(uploadProgressTotal(d, true), 0x20800);
}

TEST(UploadSettings, MasksBecomeModesAndListsInTheirOrder)
{
    PcJobState state;
    state.deviceTable = testTable();
    JobSettings job;
    job.lockBlockList = "keep-lock";
    job.operationBlockList = "keep-op";
    WriterSettings s;
    s.deviceName = "M30624FGFP";
    s.targetRateCode = 10;
    s.lockBitMask = 0x80;
    s.operationBlockMask = 0x7F;
    s.checkId = {0xA1, 0, 0x0B, 0xFF, 1, 2, 3};
    s.updateEnable = 1;
    s.userRomFileName = "u.hex";
    ASSERT_TRUE(applyWriterSettings(s, state, job));
    EXPECT_EQ(state.deviceIndex, 0);
    EXPECT_EQ(job.lockBitMode, LockBitMode::NoChange);
    EXPECT_EQ(job.operationBlockMode, OperationBlockMode::All);
    EXPECT_EQ(job.lockBlockList, "keep-lock"); // "Block" not chosen: text kept
    EXPECT_EQ(job.operationBlockList, "keep-op");
    EXPECT_EQ(job.targetBaudIndex, 9);
    EXPECT_EQ(job.checkIdText, "A1,00,0B,FF,01,02,03");
    EXPECT_EQ(job.updateEnable, 1);
    EXPECT_EQ(job.userRomFileName, "u.hex");
    EXPECT_EQ(job.bootRomFileName, "");

    s.lockBitMask = 0x7F; // == allBlocksMask wins over the list
    s.operationBlockMask = 0x1D;
    ASSERT_TRUE(applyWriterSettings(s, state, job));
    EXPECT_EQ(job.lockBitMode, LockBitMode::AllLock);
    EXPECT_EQ(job.operationBlockMode, OperationBlockMode::Block);
    EXPECT_EQ(job.operationBlockList, "0,2-4");

    s.lockBitMask = 0;
    s.operationBlockMask = 0;
    ASSERT_TRUE(applyWriterSettings(s, state, job));
    EXPECT_EQ(job.lockBitMode, LockBitMode::AllNoLock);
    EXPECT_EQ(job.lockBlockList, "keep-lock");
    EXPECT_EQ(job.operationBlockList, "");

    s.lockBitMask = 0x05;
    ASSERT_TRUE(applyWriterSettings(s, state, job));
    EXPECT_EQ(job.lockBitMode, LockBitMode::Block);
    EXPECT_EQ(job.lockBlockList, "0,2");

    // The lists cover blocks 0..6 whatever the device's last block; the third
    // table record is found by its exact name.
    s.deviceName = "M30622F8FP";
    s.operationBlockMask = 0x7F;
    s.lockBitMask = 0x0F;
    ASSERT_TRUE(applyWriterSettings(s, state, job));
    EXPECT_EQ(state.deviceIndex, 2);
    EXPECT_EQ(state.currentDevice, state.deviceTable.records[2]);
    EXPECT_EQ(job.operationBlockMode, OperationBlockMode::Block);
    EXPECT_EQ(job.operationBlockList, "0-6");
    EXPECT_EQ(job.lockBitMode, LockBitMode::AllLock);

    // A target rate code outside the list leaves the choice alone.
    s.targetRateCode = 0;
    ASSERT_TRUE(applyWriterSettings(s, state, job));
    EXPECT_EQ(job.targetBaudIndex, 9);
}

TEST(UploadSettings, AnUnknownDeviceIsRebuiltFromTheRecordWhenItFits)
{
    PcJobState state;
    state.deviceTable = testTable();
    JobSettings job;
    selectDevice(state, job, 0);
    WriterSettings s;
    s.deviceName = "M30999ZZFP";
    s.bootRomStartPage = 0xFFE0; // 24-bit layout
    s.bootRomSizeKiB = 8;
    s.userRomStartPage = 0xFE00;
    s.userRomSizeKiB = 128;
    s.blockCount = 5;
    s.voltageCodes = 0x31;
    s.lockBitMask = 0x80;
    s.operationBlockMask = 0x1F;
    ASSERT_TRUE(applyWriterSettings(s, state, job));
    EXPECT_EQ(state.deviceIndex, -1);
    const DeviceRecord& d = state.currentDevice;
    EXPECT_EQ(d.name, "M30999ZZFP");
    EXPECT_EQ(d.bootRomStart, 0xFFE000u);
    EXPECT_EQ(d.bootRomEnd, 0xFFFFFFu);
    EXPECT_EQ(d.bootRomSize, 0x2000u);
    EXPECT_EQ(d.userRomStart, 0xFE0000u);
    EXPECT_EQ(d.userRomEnd, 0xFFFFFFu);
    EXPECT_EQ(d.lastBlock, 4);
    EXPECT_EQ(d.allBlocksMask, 0x1F);
    EXPECT_EQ(d.vcc, 33);
    EXPECT_EQ(d.vpp, 120);
    EXPECT_EQ(job.operationBlockMode, OperationBlockMode::All);
    EXPECT_EQ(job.targetBoard->userRom, (AreaRange{0xFE0000, 0xFFFFFF}));
    EXPECT_EQ(job.targetBoard->lastBlock, 4);
    EXPECT_EQ(job.targetBoard->vpp, 120);

    // Layouts the images cannot hold are refused and change nothing.
    const PcJobState before = state;
    const JobSettings jobBefore = job;
    for (auto breakIt : std::initializer_list<std::function<void(WriterSettings&)>>{
             [](WriterSettings& w) { w.userRomSizeKiB = 512; }, [](WriterSettings& w) { w.bootRomSizeKiB = 0; },
             [](WriterSettings& w) { w.blockCount = 0; }, [](WriterSettings& w) { w.blockCount = 8; },
             [](WriterSettings& w) { w.deviceName = std::string(101, 'M'); },
             [](WriterSettings& w) { w.deviceName.clear(); }}) {
        WriterSettings bad = s;
        bad.deviceName = "OTHER";
        breakIt(bad);
        EXPECT_FALSE(applyWriterSettings(bad, state, job));
        EXPECT_EQ(state.currentDevice, before.currentDevice);
        EXPECT_EQ(state.deviceIndex, before.deviceIndex);
        EXPECT_EQ(job, jobBefore);
    }
}

TEST_F(Upload, RoundTripReproducesTheJobAndTheImages)
{
    storeJob();
    PcJobState back = freshState();
    JobSettings backJob;
    std::fill(back.images.boot.begin(), back.images.boot.end(), 0x00); // stale bytes of an earlier job
    ASSERT_EQ(upload(back, backJob), UploadResult::Complete);
    EXPECT_TRUE(ui.messages().empty()) << ui.texts().front();
    expectResting();

    EXPECT_EQ(back.deviceIndex, state.deviceIndex);
    EXPECT_EQ(back.currentDevice, state.currentDevice);
    EXPECT_EQ(backJob, job); // every field: settings, file names, ID, checksums, protect, boot version
    EXPECT_EQ(back.images.user, state.images.user);
    EXPECT_EQ(back.images.boot, state.images.boot); // beyond the first 2 KiB: blank again
    EXPECT_EQ(lastView.title, "Uploading...  PLX-71RD -> PC");
    EXPECT_EQ(lastTotal, 0x40800);
    EXPECT_EQ(lastDone, 0x40800);

    // 1024 User ROM pages then the first eight Boot ROM pages, in order.
    std::vector<std::uint16_t> pages;
    for (auto& c : accepted(*sim))
        if (c.code == CMD_READ_PAGE)
            pages.push_back(pageOf(c));
    ASSERT_EQ(pages.size(), 0x408u);
    EXPECT_EQ(pages.front(), 0x0C00);
    EXPECT_EQ(pages[0x3FF], 0x0FFF);
    EXPECT_EQ(pages[0x400], 0x1FE0);
    EXPECT_EQ(pages.back(), 0x1FE7);
    EXPECT_TRUE(std::is_sorted(pages.begin(), pages.end()));
}

TEST_F(Upload, WithoutABootFileNameTheBootTextsAreEmptied)
{
    storeJob();
    storeSettings([](plx71sim::WriterSettings& s) { s.bootFileName.clear(); });
    PcJobState back = freshState();
    JobSettings backJob;
    backJob.bootVersionText = "old";
    backJob.bootRomChecksum = 0x1234;
    ASSERT_EQ(upload(back, backJob), UploadResult::Complete);
    EXPECT_EQ(backJob.bootVersionText, "");
    EXPECT_EQ(backJob.bootRomChecksum, std::nullopt);
    EXPECT_EQ(back.images.boot, state.images.boot); // the pages were read all the same
}

TEST_F(Upload, FailuresBeforeTheSettingsChangeNothing)
{
    storeJob();
    PcJobState back = freshState();
    JobSettings backJob;
    const JobSettings untouched = backJob;
    auto expectUnchanged = [&](const char* what) {
        EXPECT_EQ(backJob, untouched) << what;
        EXPECT_EQ(back.deviceIndex, -1) << what;
        EXPECT_EQ(back.currentDevice, startupDefaultDevice()) << what;
        EXPECT_EQ(countCode(accepted(*sim), CMD_READ_PAGE), 0u) << what;
        expectResting();
    };

    usePort(PortChoice::path("/nonexistent/plx71-port"));
    EXPECT_EQ(upload(back, backJob), UploadResult::NothingChanged);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"/nonexistent/plx71-port cannot be used"});
    expectUnchanged("port");
    usePort(PortChoice::path(sim->slavePath()));

    ui.clear();
    sim->state()->box.faults().silent = true;
    EXPECT_EQ(upload(back, backJob), UploadResult::NothingChanged);
    sim->state()->box.faults().silent = false;
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    expectUnchanged("rate switch");

    for (std::uint8_t code : {CMD_READ_VERSIONS, CMD_READ_SETTINGS}) {
        ui.clear();
        onNth(code, 1, [this] { sim->state()->box.faults().corruptReplies = 3; });
        EXPECT_EQ(upload(back, backJob), UploadResult::NothingChanged);
        EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)}) << int(code);
        expectUnchanged("query");
    }
    onCommand = nullptr;

    ui.clear();
    sim->state()->box.job().firmwareVersion = plx71sim::versionField("V2.00 2003/03/03");
    EXPECT_EQ(upload(back, backJob), UploadResult::NothingChanged);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Firmware Version is different"});
    expectUnchanged("version");
}

TEST_F(Upload, SettingsNotLoadedComesAfterThePortIsClosed)
{
    storeJob();
    const BoxLink* watched = nullptr;
    PortWatchingUi watcher(watched);
    const auto watchedSession = makeSession(watcher); // like the fixture's, reporting to the watcher
    watched = &test::linkOf(*watchedSession);
    PcJobState back = freshState();
    JobSettings backJob;

    sim->state()->box.faults().noSettings = true;
    EXPECT_EQ(uploadOn(*watchedSession, back, backJob), UploadResult::NothingChanged);
    ASSERT_EQ(watcher.shown.size(), 1u);
    EXPECT_EQ(watcher.shown[0], (std::pair<std::string, bool>{"Settings not loaded", false}));
    EXPECT_EQ(backJob, JobSettings{});
    expectResting();
    sim->state()->box.faults().noSettings = false;

    // A device the table does not know, with a layout no image can hold.
    storeSettings([](plx71sim::WriterSettings& s) {
        s.deviceName = "M30999ZZFP";
        s.device[6] = 0x00; // User ROM size 0x1000 KiB
        s.device[7] = 0x10;
    });
    watcher.shown.clear();
    EXPECT_EQ(uploadOn(*watchedSession, back, backJob), UploadResult::NothingChanged);
    ASSERT_EQ(watcher.shown.size(), 1u);
    EXPECT_EQ(watcher.shown[0], (std::pair<std::string, bool>{"Settings not loaded", false}));
    EXPECT_EQ(back.currentDevice, startupDefaultDevice());
    expectResting();

    // The same name with a sound layout is taken as it is, outside the table.
    storeSettings([](plx71sim::WriterSettings& s) {
        s.device[6] = 0x00; // 256 KiB again
        s.device[7] = 0x01;
    });
    EXPECT_EQ(uploadOn(*watchedSession, back, backJob), UploadResult::Complete);
    EXPECT_EQ(back.deviceIndex, -1);
    EXPECT_EQ(back.currentDevice.name, "M30999ZZFP");
    EXPECT_EQ(back.currentDevice.userRomStart, 0xC0000u);
    EXPECT_EQ(back.images.user, state.images.user);
}

TEST_F(Upload, AFailedPageOrCancelKeepsTheSettingsButNotTheTexts)
{
    storeJob();
    PcJobState back = freshState();
    JobSettings backJob;
    backJob.userRomChecksum = 0x01D1;
    backJob.dataIdCode = IdCode{2, 2, 2, 2, 2, 2, 2};

    onNth(CMD_READ_PAGE, 10, [this] { sim->state()->box.faults().corruptReplies = 3; });
    EXPECT_EQ(upload(back, backJob), UploadResult::SettingsOnly);
    onCommand = nullptr;
    EXPECT_EQ(ui.texts(), std::vector<std::string>{std::string(msg::kCommunicationError)});
    EXPECT_EQ(back.deviceIndex, 0);
    EXPECT_EQ(backJob.userRomFileName, job.userRomFileName);
    EXPECT_EQ(backJob.lockBlockList, "1,3");
    EXPECT_EQ(backJob.userRomChecksum, 0x01D1u);
    EXPECT_EQ(backJob.dataIdCode, (IdCode{2, 2, 2, 2, 2, 2, 2}));
    EXPECT_TRUE(std::equal(back.images.user.begin(), back.images.user.begin() + 9 * 256, state.images.user.begin()));
    EXPECT_GE(lastDone, lastTotal + 1000);
    expectResting();

    ui.clear();
    sim->clearReceivedCommands();
    PcJobState back2 = freshState();
    JobSettings backJob2;
    backJob2.userRomChecksum = 0x01D1;
    std::fill(back2.images.boot.begin(), back2.images.boot.end(), 0x00);
    EXPECT_EQ(upload(back2, backJob2, [this] { return countCode(sim->receivedCommands(), CMD_READ_PAGE) >= 30; }),
              UploadResult::SettingsOnly);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(backJob2.targetBaudIndex, 4);
    EXPECT_EQ(backJob2.userRomChecksum, 0x01D1u);
    EXPECT_LT(countCode(accepted(*sim), CMD_READ_PAGE), 0x400u);
    EXPECT_EQ(back2.images.boot[0], 0x00); // Boot ROM phase never began
    expectResting();
}

// A reply spoilt on the line but passing its check sum, on the first read of
// a page only, or on every other read.
TEST_F(Upload, ReadTwiceTakesAPageOnlyWhenTwoReadsInARowAgree)
{
    storeJob();
    constexpr std::uint16_t kPage = 0x0D42;
    const std::size_t at = (std::size_t(kPage) << 8) - 0xC0000 + 7;
    struct Case {
        const char* name;
        bool readTwice;
        bool everyOther; // else only the first read is spoilt
        UploadResult result;
        std::size_t reads; // of kPage
        bool right;        // the uploaded byte is the stored one
    };
    const std::vector<Case> cases{
        {"one read: taken as it came", false, false, UploadResult::Complete, 1, false},
        {"read twice: the spoilt read is outvoted", true, false, UploadResult::Complete, 3, true},
        {"read twice: no two reads agree", true, true, UploadResult::SettingsOnly, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.clear();
        sim->clearReceivedCommands();
        auto reads = std::make_shared<int>(0);
        {
            std::lock_guard lock(hookMutex);
            onCommand = [this, reads, c](std::uint8_t code, std::span<const std::uint8_t> payload) {
                if (code != CMD_READ_PAGE || (payload[0] | payload[1] << 8) != kPage)
                    return;
                ++*reads;
                sim->state()->box.faults().flipRead(kPage, 7, c.everyOther ? *reads % 2 == 1 : *reads == 1);
            };
        }
        PcJobState back = freshState();
        JobSettings backJob;
        auto k = sink();
        const BoxOutcome o = session->upload(boxTarget, back, backJob, k, c.readTwice);
        EXPECT_EQ(uploadResultOf(o), c.result);
        std::size_t pageReads = 0;
        for (const auto& r : accepted(*sim))
            pageReads += r.code == CMD_READ_PAGE && pageOf(r) == kPage;
        EXPECT_EQ(pageReads, c.reads);
        if (c.result == UploadResult::Complete)
            EXPECT_EQ(back.images.user[at] == state.images.user[at], c.right);
        else
            EXPECT_EQ(o.failedPage, std::optional<std::uint16_t>(kPage));
        EXPECT_EQ(ui.texts().size(), c.result == UploadResult::Complete ? 0u : 1u);
        expectResting();
        std::lock_guard lock(hookMutex);
        onCommand = nullptr;
    }
    sim->state()->box.faults().flipReads.erase(kPage);
}

} // namespace
} // namespace plx71::test
