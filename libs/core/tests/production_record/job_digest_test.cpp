// The job digest names what the box will do to a target: the same data in
// another format under another name is the same job; a changed byte in an
// operated block or a changed setting is another.
#include "plx71/job/job_actions.hpp"
#include "plx71/production_record/job_digest.hpp"
#include "plx71/production_record/job_id.hpp"
#include "plx71/testing/default_device.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/testing/scratch_dir.hpp"
#include "plx71/testing/shell_quote.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>

namespace plx71 {
namespace {

const std::filesystem::path kExamples = std::filesystem::path(PLX71_SOURCE_DIR) / "examples";

struct LoadedJob {
    PcJobState state;
    JobSettings job;
};

LoadedJob loaded(const std::filesystem::path& userRom)
{
    LoadedJob j;
    j.state.deviceTable = parseDeviceTable(test::kDefaultDeviceLine);
    selectDevice(j.state, j.job, 0);
    RecordingUi ui;
    EXPECT_TRUE(loadAreaFile(ui, j.state, j.job, Area::UserRom, userRom)) << userRom;
    // Blocks 6 (0xC0000..) and 2 (0xF8000..), as the example's data lie.
    j.job.operationBlockMode = OperationBlockMode::Block;
    j.job.operationBlockList = "2,6";
    return j;
}

TEST(JobDigest, FollowsWhatTheBoxDoesNotHowTheDataCame)
{
    const test::ScratchDir dir;
    const auto twin = dir.path() / "another name.mot";
#ifdef _WIN32
    std::filesystem::copy_file(kExamples / "user_program.mot", twin);
#else
    // The S-record twin by another tool, in other record lengths.
    const std::string cmd = "srec_cat " + test::shellQuote(kExamples / "user_program.hex") + " -Intel -o "
        + test::shellQuote(twin) + " -Motorola -Output_Block_Size 20";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
#endif
    const LoadedJob base = loaded(kExamples / "user_program.hex");
    const std::string digest = jobDigest(base.state, base.job);
    ASSERT_TRUE(std::regex_match(digest, std::regex("[0-9a-f]{64}")));

    using Change = std::function<void(LoadedJob&)>;
    const struct {
        const char* what;
        Change change;
        bool same;
    } cases[] = {
        {"S-record twin", [&](LoadedJob& j) { j = loaded(twin); }, true},
        {"file names", [](LoadedJob& j) { j.job.userRomFileName = "x.hex"; }, true},
        {"the same blocks written otherwise", [](LoadedJob& j) { j.job.operationBlockList = "2-2,6"; }, true},
        {"byte outside the operated blocks", [](LoadedJob& j) { j.state.images.user[0x3C000] ^= 1; }, true},
        {"link rate", [](LoadedJob& j) { j.job.linkRate = LinkRate::Bps9600; }, true},
        {"byte in block 6", [](LoadedJob& j) { j.state.images.user[0x00010] ^= 1; }, false},
        {"byte in block 2", [](LoadedJob& j) { j.state.images.user[0x38000 + 0x1FFF] ^= 0x80; }, false},
        {"another block", [](LoadedJob& j) { j.job.operationBlockList = "2,5,6"; }, false},
        {"lock bit", [](LoadedJob& j) { j.job.lockBitMode = LockBitMode::AllLock; }, false},
        {"check ID", [](LoadedJob& j) { j.job.idCode[6] = 1; }, false},
        {"target rate", [](LoadedJob& j) { j.job.targetBaudIndex = 8; }, false},
        {"serial mode", [](LoadedJob& j) { j.job.serialModeIndex = 1; }, false},
        {"Update Enable", [](LoadedJob& j) { j.job.updateEnable = 1; }, false},
    };
    for (const auto& c : cases) {
        LoadedJob j = base;
        c.change(j);
        EXPECT_EQ(jobDigest(j.state, j.job) == digest, c.same) << c.what;
    }
    EXPECT_EQ(canonicalJob(base.state, base.job).rfind("plx71-job-digest-v1\ndevice=M30624FGFP\n", 0), 0u);
    EXPECT_TRUE(std::regex_match(newJobId(),
                                 std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")));
    EXPECT_NE(newJobId(), newJobId());
}

} // namespace
} // namespace plx71
