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

// A User ROM file for the default device with ID bytes 11..77 and a
// protect byte at 0xFFFFF.
std::string userRomFile(std::uint8_t protect, std::uint8_t firstByte = 0x12)
{
    std::string text = "S0030000FC\n" + s2(0xC0000, {firstByte, 0x34});
    const std::uint32_t idAddr[] = {0xFFFDF, 0xFFFE3, 0xFFFEB, 0xFFFEF, 0xFFFF3, 0xFFFF7, 0xFFFFB};
    for (int i = 0; i < 7; ++i)
        text += s2(idAddr[i], {std::uint8_t(0x11 * (i + 1))});
    text += s2(0xFFFFF, {protect});
    return text + "S804000000FB\n";
}

} // namespace

TEST(SelectDevice, TargetBoardAndAreaTables)
{
    PcJobState state = stateWithTestTable();
    ASSERT_EQ(state.deviceTable.records.size(), 5u);
    JobSettings job;
    state.images.user[0] = 0x5A;

    selectDevice(state, job, 0);
    EXPECT_EQ(state.deviceIndex, 0);
    EXPECT_EQ(job.targetBoard, (TargetBoard{{0xC0000, 0xFFFFF}, {0xFE000, 0xFFFFF}, 6, 50, 50}));

    selectDevice(state, job, 2);
    EXPECT_EQ(state.currentDevice.name, "M30803FGFP");
    EXPECT_EQ(job.targetBoard->userRom, (AreaRange{0xFC0000, 0xFFFFFF}));
    EXPECT_EQ(job.targetBoard->vpp, 120);
    EXPECT_EQ(state.areaTables.bootVersionAddress, 0xFFE000u) << "tables follow the 24-bit family";
    EXPECT_EQ(state.images.user[0], 0x5A) << "selecting a device leaves the images alone";

    selectDevice(state, job, 3);
    EXPECT_EQ(job.targetBoard->lastBlock, 0);
    EXPECT_EQ(job.targetBoard->vcc, 33);
    EXPECT_EQ(state.areaTables.bootVersionAddress, 0xFE000u);
    // Selecting touches nothing but the Target Board.
    job.userRomFileName = "x.hex";
    job.dataIdCode = IdCode{1, 2, 3, 4, 5, 6, 7};
    JobSettings before = job;
    selectDevice(state, job, 4);
    EXPECT_EQ(job.targetBoard->lastBlock, 1);
    before.targetBoard = job.targetBoard;
    EXPECT_EQ(job, before);
    EXPECT_EQ(JobSettings{}.checkIdText, "00,00,00,00,00,00,00");
}

TEST(LoadAreaFile, AcceptedUserRomFileFillsTheJob)
{
    ScratchDir dir;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    RecordingUi ui;
    selectDevice(state, job, 0);
    state.images.user[0x100] = 0x00; // left over from earlier data

    const auto path = dir.file("prog.mot", userRomFile(0xFF));
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, path));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(job.userRomFileName, path.string());
    EXPECT_EQ(job.dataIdCode, (IdCode{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
    EXPECT_EQ(job.checkIdText, "11,22,33,44,55,66,77");
    EXPECT_EQ(job.idCode, (IdCode{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
    EXPECT_EQ(job.romProtectLevel, 0);
    EXPECT_EQ(state.images.user[0], 0x12);
    EXPECT_EQ(state.images.user[0x100], 0xFF) << "a selected file stands alone on a blank area";
    EXPECT_EQ(job.userRomChecksum, areaChecksum(state.currentDevice, Area::UserRom, state.images.user));
    EXPECT_NE(job.userRomChecksum.value_or(0) & 0xFFFF, 0u);
    EXPECT_TRUE(canDownload(state, job));

    // Download also needs a device type.
    PcJobState noDevice = stateWithTestTable();
    EXPECT_FALSE(canDownload(noDevice, job));
    EXPECT_FALSE(canDownload(state, JobSettings{}));
}

TEST(LoadAreaFile, RefusedFilesChangeNothing)
{
    ScratchDir dir;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    RecordingUi ui;
    selectDevice(state, job, 1); // E0000-FFFFF
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, dir.file("good.mot", s2(0xE0000, {0x01}))));
    const JobSettings jobBefore = job;
    const RomImages imagesBefore = state.images;

    struct Case {
        const char* what;
        std::filesystem::path path;
        std::string message;
    };
    const Case cases[] = {
        {"outside the area", dir.file("outside.mot", s2(0xDFFFF, {0x01})), std::string(msg::kInvalidAddressContained)},
        {"one past the end", dir.file("past.mot", s2(0xFFFFF, {0x01, 0x02})),
         std::string(msg::kInvalidAddressContained)},
        {"missing file", dir / "missing.hex", std::string(msg::kFileNotFound)},
    };
    for (const auto& c : cases) {
        ui.clear();
        EXPECT_FALSE(loadAreaFile(ui, state, job, Area::UserRom, c.path)) << c.what;
        EXPECT_EQ(ui.texts(), std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(job, jobBefore) << c.what;
        EXPECT_TRUE(state.images.user == imagesBefore.user) << c.what;
    }

    // Cancel at the protect question: nothing changes, not even the protect text.
    selectDevice(state, job, 0);
    const JobSettings beforeProtect = job;
    const auto protectedFile = dir.file("protected.mot", userRomFile(0x3F, 0x99));
    ui.clear();
    ui.scriptAnswers({false});
    EXPECT_FALSE(loadAreaFile(ui, state, job, Area::UserRom, protectedFile));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_TRUE(ui.messages()[0].isQuestion);
    EXPECT_EQ(ui.messages()[0].text, msg::kLevel1Question);
    EXPECT_EQ(job, beforeProtect);
    EXPECT_TRUE(state.images.user == imagesBefore.user);

    // OK loads it and shows the level.
    ui.scriptAnswers({true});
    EXPECT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, protectedFile));
    EXPECT_EQ(job.romProtectLevel, 1);
    EXPECT_EQ(state.images.user[0], 0x99);

    ui.scriptAnswers({false});
    EXPECT_FALSE(loadAreaFile(ui, state, job, Area::UserRom, dir.file("level2.mot", userRomFile(0xF0))));
    EXPECT_EQ(ui.messages().back().text, msg::kLevel2Question);
    EXPECT_EQ(job.romProtectLevel, 1);
}

TEST(LoadAreaFile, BootRomFileTicksUpdateEnable)
{
    ScratchDir dir;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    RecordingUi ui;
    selectDevice(state, job, 0);
    const std::string version = "VER.1.05";
    std::vector<std::uint8_t> bytes(version.begin(), version.end());
    const auto path = dir.file("boot.btp", s2(0xFE000, bytes) + "S804000000FB\n");
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::BootRom, path));
    EXPECT_EQ(job.bootRomFileName, path.string());
    EXPECT_EQ(job.updateEnable, 1);
    EXPECT_EQ(job.bootVersionText, "VER.1.05");
    std::uint32_t sum = 0x1FE000 - 8 * 0xFF;
    for (auto b : bytes)
        sum += b;
    EXPECT_EQ(job.bootRomChecksum, sum);
    EXPECT_TRUE(job.userRomFileName.empty());
    EXPECT_FALSE(canDownload(state, job)) << "a Boot ROM file alone does not enable Download";

    // The editor's OK recomputes the shown checksum.
    state.images.boot[0x10] = 0x00;
    refreshChecksum(state, job, Area::BootRom);
    EXPECT_EQ(job.bootRomChecksum, sum - 0xFF);
}

TEST(CheckId, Grammar)
{
    const IdCode untouched{9, 9, 9, 9, 9, 9, 9};
    auto parse = [&](std::string_view text) -> std::optional<IdCode> {
        IdCode out = untouched;
        if (!parseCheckId(text, out)) {
            EXPECT_EQ(out, untouched) << "a refused text leaves the bytes: " << text;
            return std::nullopt;
        }
        return out;
    };
    EXPECT_EQ(parse("00,00,00,00,00,00,00"), IdCode{});
    EXPECT_EQ(parse("1 2 3 4 5 6 7"), (IdCode{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(parse("0123456789abCD"), (IdCode{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD}));
    EXPECT_EQ(parse("  ff,FE, 1 ,,2 3,4,5,"), (IdCode{0xFF, 0xFE, 1, 2, 3, 4, 5}));
    EXPECT_EQ(parse("123,4,5,6,7,8"), (IdCode{0x12, 0x03, 4, 5, 6, 7, 8})) << "three digits make two groups";

    EXPECT_FALSE(parse(""));
    EXPECT_FALSE(parse("   "));
    EXPECT_FALSE(parse("1,2,3,4,5,6")) << "six groups";
    EXPECT_FALSE(parse("1,2,3,4,5,6,7,8")) << "eight groups";
    EXPECT_FALSE(parse(",1,2,3,4,5,6,7")) << "a group without a digit";
    EXPECT_FALSE(parse("1,2,3,4,5,6,G"));
    EXPECT_FALSE(parse("1;2;3;4;5;6;7"));
    EXPECT_FALSE(parse("1\t2 3 4 5 6 7"));
}

TEST(DownloadMasks, OperationBlocksAndLockBits)
{
    PcJobState state = stateWithTestTable();
    JobSettings job;
    selectDevice(state, job, 0); // blocks 0..6

    EXPECT_EQ(operationBlockMask(state, job), 0x7F);
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "0,2-4";
    EXPECT_EQ(operationBlockMask(state, job), 0x1D);
    job.operationBlockList = "";
    EXPECT_EQ(operationBlockMask(state, job), 0x7F) << "empty list means all blocks";
    job.operationBlockList = "9";
    EXPECT_EQ(operationBlockMask(state, job), 0x7F) << "invalid list means all blocks";
    job.operationBlockMode = OperationBlockMode::All;
    job.operationBlockList = "1";
    EXPECT_EQ(operationBlockMask(state, job), 0x7F) << "the list counts only in Block mode";

    EXPECT_EQ(lockBitMask(state, job), 0x80);
    job.lockBitMode = LockBitMode::AllLock;
    EXPECT_EQ(lockBitMask(state, job), 0x7F);
    job.lockBitMode = LockBitMode::AllNoLock;
    EXPECT_EQ(lockBitMask(state, job), 0x00);
    job.lockBitMode = LockBitMode::Block;
    job.lockBlockList = "0-2,4";
    EXPECT_EQ(lockBitMask(state, job), 0x17);
    job.lockBlockList = "";
    EXPECT_EQ(lockBitMask(state, job), 0x00);
    job.lockBlockList = "7";
    EXPECT_EQ(lockBitMask(state, job), 0x00);

    selectDevice(state, job, 4); // blocks 0..1
    job.lockBitMode = LockBitMode::AllLock;
    EXPECT_EQ(lockBitMask(state, job), 0x03);
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "2";
    EXPECT_EQ(operationBlockMask(state, job), 0x03);
}
