// A device change reads each named file again for the new device's areas.
#include "plx71/job/job_actions.hpp"

#include "job_test_support.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <gtest/gtest.h>

using namespace plx71;
using plx71::test::ScratchDir;
using plx71::testing::s2;
using plx71::testing::stateWithTestTable;

namespace {

std::string srecords(const std::string& records)
{
    return "S0030000FC\n" + records + "S804000000FB\n";
}

} // namespace

TEST(ChangeDevice, NamedFilesAreReloadedOrForgotten)
{
    // Table: 0 M30624FGFP (User C0000-FFFFF, Boot FE000), 1 M30620FCFP
    // (User E0000-FFFFF), 2 M30803FGFP (Boot FFE000).
    ScratchDir dir;
    const auto low = dir.file("low.mot", srecords(s2(0xC0000, {0x12})));   // User ROM of device 0 only
    const auto high = dir.file("high.mot", srecords(s2(0xE0000, {0x34}))); // User ROM of devices 0 and 1
    const auto boot = dir.file("boot.btp", srecords(s2(0xFE000, {0x56}))); // Boot ROM of devices 0 and 1
    const std::string contained(msg::kInvalidAddressContained);
    struct Case {
        const char* name;
        std::filesystem::path user;
        int newDevice;
        std::vector<std::string> messages;
        bool userKept;
        bool bootKept;
    };
    const Case cases[] = {
        {"both fit the new device", high, 1, {}, true, true},
        {"the User ROM file does not fit", low, 1, {contained}, false, true},
        {"neither fits", low, 2, {contained, contained}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingUi ui;
        PcJobState state = stateWithTestTable();
        JobSettings job;
        selectDevice(state, job, 0);
        ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, c.user));
        ASSERT_TRUE(loadAreaFile(ui, state, job, Area::BootRom, boot));
        job.checkIdText = "01,02,03,04,05,06,07"; // typed by the user
        ASSERT_TRUE(parseCheckId(job.checkIdText, job.idCode));
        const RomImages before = state.images;

        changeDevice(ui, state, job, c.newDevice);
        EXPECT_EQ(ui.texts(), c.messages);
        EXPECT_EQ(state.deviceIndex, c.newDevice);
        EXPECT_EQ(job.checkIdText, "01,02,03,04,05,06,07") << "the Check ID is the user's";
        EXPECT_EQ(job.idCode, (IdCode{1, 2, 3, 4, 5, 6, 7}));
        EXPECT_EQ(canDownload(state, job), c.userKept);

        const DeviceRecord& d = state.currentDevice;
        if (c.userKept) {
            // The file's byte at the new device's offset, nothing else.
            EXPECT_EQ(job.userRomFileName, c.user.string());
            EXPECT_EQ(state.images.user[0xE0000 - d.userRomStart], 0x34);
            EXPECT_EQ(state.images.user[0xE0000 - 0xC0000], 0xFF) << "nothing left at the old device's offset";
            EXPECT_EQ(job.userRomChecksum, areaChecksum(d, Area::UserRom, state.images.user));
            EXPECT_EQ(job.romProtectLevel, 0);
            EXPECT_EQ(job.dataIdCode, (IdCode{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
        } else {
            EXPECT_EQ(job.userRomFileName, "");
            EXPECT_EQ(job.dataIdCode, std::nullopt);
            EXPECT_EQ(job.romProtectLevel, std::nullopt);
            EXPECT_EQ(job.userRomChecksum, std::nullopt);
            EXPECT_EQ(state.images.user, before.user) << "a refused file changes no image";
        }
        if (c.bootKept) {
            EXPECT_EQ(job.bootRomFileName, boot.string());
            EXPECT_EQ(job.updateEnable, 1);
            EXPECT_EQ(job.bootRomChecksum, areaChecksum(d, Area::BootRom, state.images.boot));
        } else {
            EXPECT_EQ(job.bootRomFileName, "");
            EXPECT_EQ(job.bootVersionText, "");
            EXPECT_EQ(job.bootRomChecksum, std::nullopt);
            EXPECT_EQ(job.updateEnable, 0) << "no Boot ROM update without its file";
        }
    }
}

TEST(ChangeDevice, TheSameLayoutKeepsTheImagesWithTheirEdits)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    selectDevice(state, job, 0);
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, dir.file("u.mot", srecords(s2(0xC0000, {0x12})))));
    state.images.user[5] = 0xAB; // an edit the file does not hold
    const JobSettings before = job;
    changeDevice(ui, state, job, 0);
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(state.images.user[5], 0xAB);
    EXPECT_TRUE(job == before);
}
