// Several software writer boxes driven at once: each box ends with its own
// outcome, whatever the others do, and Cancel reaches every box.
#include "plx71/job/job_actions.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/testing/recording_ui.hpp"

#ifdef PLX71_HAVE_SIM
#include "plx71/testing/sim_box.hpp"
#include "plx71/testing/sim_link.hpp"
#endif

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <atomic>
#include <filesystem>
#include <mutex>

using namespace plx71;

namespace {

TEST(GangPorts, DuplicatesAreFoundBehindLinks)
{
    const auto dir = std::filesystem::temp_directory_path() / ("plx71-gang-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::create_symlink("/dev/null", dir / "box-a");
    struct Case {
        std::vector<PortChoice> ports;
        std::optional<std::pair<std::size_t, std::size_t>> duplicate;
    };
    std::vector<Case> cases = {
        {{PortChoice::path("/dev/null"), PortChoice::path((dir / "box-a").string())},
         std::pair<std::size_t, std::size_t>{0, 1}},
        {{PortChoice::com(0), PortChoice::com(1), PortChoice::com(0)}, std::pair<std::size_t, std::size_t>{0, 2}},
        {{PortChoice::path("/dev/null"), PortChoice::path("/dev/zero")}, std::nullopt},
    };
    // A second node with the device number of /dev/null (1:3) is the same
    // device under another name, no link between them.
#ifndef _WIN32
    struct stat null {};
    const auto twin = dir / "null-twin";
    if (::stat("/dev/null", &null) == 0 && ::mknod(twin.c_str(), S_IFCHR | 0666, null.st_rdev) == 0)
        cases.push_back(
            {{PortChoice::path(twin.string()), PortChoice::path("/dev/zero"), PortChoice::path("/dev/null")},
             std::pair<std::size_t, std::size_t>{0, 2}});
#endif
    for (const auto& c : cases)
        EXPECT_EQ(duplicatePorts(c.ports), c.duplicate);
    std::filesystem::remove_all(dir);
}

#ifdef PLX71_HAVE_SIM

using namespace plx71::test;

class Gang : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto table = loadDeviceTable(std::filesystem::path(PLX71_SOURCE_DIR) / "resources" / "plx71typ.tbl");
        ASSERT_TRUE(table);
        state.deviceTable = *table;
        selectDevice(state, job, 0);
        job.userRomFileName = "user.hex";
        job.operationBlockMode = OperationBlockMode::Block;
        job.operationBlockList = "1"; // a small block keeps the test short
        state.images.user = pattern(state.images.user.size(), 7);
        for (int i = 0; i < 3; ++i) {
            sims.push_back(std::make_unique<SimBox>());
            ASSERT_TRUE(sims.back()->start()) << sims.back()->lastError();
            uis.push_back(std::make_unique<RecordingUi>());
        }
    }

    std::vector<BoxOutcome> run(std::function<bool()> cancel = {})
    {
        std::vector<std::unique_ptr<PollingProgressSink>> sinks;
        std::vector<GangBox> boxes;
        for (std::size_t i = 0; i < sims.size(); ++i) {
            sinks.push_back(std::make_unique<PollingProgressSink>(PollingSinkOptions{cancel, {}, {}, 5ms, {}}));
            boxes.push_back(
                {PortChoice::path(sims[i]->slavePath(), "box" + std::to_string(i)), uis[i].get(), sinks[i].get()});
        }
        GangOptions options;
        options.timing = quickTiming();
        options.onBoxEnded = [this](std::size_t box, const BoxOutcome&) {
            std::lock_guard lock(endedMutex);
            ended.push_back(box);
        };
        return runGang(
            boxes,
            [this](BoxSession& s, const BoxTarget& target, ProgressSink& sink) {
                return s.download(target, boxJobOf(state, job), sink);
            },
            options);
    }

    void expectAllResting()
    {
        for (auto& sim : sims)
            EXPECT_TRUE(sim->resting(2s));
    }

    PcJobState state;
    JobSettings job;
    std::vector<std::unique_ptr<SimBox>> sims;
    std::vector<std::unique_ptr<RecordingUi>> uis;
    std::mutex endedMutex;
    std::vector<std::size_t> ended;
};

TEST_F(Gang, EachBoxEndsWithItsOwnOutcome)
{
    sims[1]->state()->box.faults().silent = true;
    const std::uint32_t blockStart = state.areaTables.blockStart[1];
    const auto page = std::uint16_t((blockStart >> 8) & 0xFFF);
    sims[2]->state()->box.faults().failPages.insert(std::uint16_t(page + 1));
    const auto outcomes = run();
    ASSERT_EQ(outcomes.size(), 3u);

    EXPECT_EQ(outcomes[0].kind, OutcomeClass::Success);
    EXPECT_TRUE(outcomes[0].verified);
    EXPECT_GT(outcomes[0].pagesVerified, 0);
    EXPECT_EQ(outcomes[0].pagesWritten, outcomes[0].pagesVerified);
    EXPECT_EQ(outcomes[0].stableName, "box0");
    const auto written = sims[0]->state()->box.job().page(page);
    const std::size_t offset = blockStart - state.areaTables.blockStart[6];
    EXPECT_TRUE(std::equal(written.begin(), written.end(), state.images.user.begin() + long(offset)));
    EXPECT_TRUE(uis[0]->messages().empty());

    EXPECT_EQ(outcomes[1].kind, OutcomeClass::NoAnswer);
    EXPECT_EQ(outcomes[1].devicePath, sims[1]->slavePath());
    EXPECT_EQ(outcomes[2].kind, OutcomeClass::CommunicationError);
    EXPECT_EQ(outcomes[2].failedPage, page + 1);
    EXPECT_FALSE(uis[1]->messages().empty());
    EXPECT_FALSE(uis[2]->messages().empty());

    std::lock_guard lock(endedMutex);
    EXPECT_EQ(ended.size(), 3u);
    sims[1]->state()->box.faults().silent = false;
    expectAllResting();
}

TEST_F(Gang, CancelReachesEveryBox)
{
    // Slow pages, so that no box can finish its block between the last box's
    // first page and the press, however late a loaded machine runs the threads.
    for (auto& sim : sims)
        sim->state()->box.config().busyTime = 100ms;
    std::atomic<bool> cancel{false};
    std::thread presser([&] {
        const bool allWriting = sims[0]->waitFor(
            [&] {
                for (auto& sim : sims) {
                    if (countCode(accepted(*sim), 0x15) == 0) // CMD_WRITE_PAGE
                        return false;
                }
                return true;
            },
            5s);
        EXPECT_TRUE(allWriting);
        cancel = true;
    });
    const auto outcomes = run([&] { return cancel.load(); });
    presser.join();
    for (const auto& o : outcomes)
        EXPECT_EQ(o.kind, OutcomeClass::Cancelled) << outcomeClassName(o.kind);
    expectAllResting();
}

#endif

} // namespace
