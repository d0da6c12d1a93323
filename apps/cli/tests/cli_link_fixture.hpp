#pragma once
// plx71 against the software writer box, which runs in the test process on a
// pseudo-terminal: the fixture, projects for it, and plx71 in the background.
#include "cli_runner.hpp"

#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/testing/sim_box.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace plx71::cli::test {

using namespace std::chrono_literals;

constexpr std::uint8_t kWritePage = 0x15;
constexpr std::uint8_t kDownloadEnd = 0x1F;
constexpr std::uint8_t kDownloadCommit = 0x1D;
constexpr std::uint8_t kSetLinkRate = 0x01;

using plx71::test::SimBox;

// Requests of `code` the box took in.
inline std::size_t countCode(const plx71sim::Simulator& sim, std::uint8_t code)
{
    return plx71::test::countCode(plx71::test::accepted(sim), code);
}

inline plx71::DeviceTable table()
{
    return *plx71::loadDeviceTable(std::filesystem::path(PLX71_SOURCE_DIR) / "resources" / "plx71typ.tbl");
}

// What a test project holds: M30624FGFP, a User ROM file with a pattern
// (byte i is i % pattern, the last 0xFF: no ROM code protect), the blocks to
// write (empty: All) and the rates.
struct TestProject {
    std::string blocks;
    bool withUserFile = true;
    unsigned pattern = 241;
    int targetBaudIndex = 3;
    LinkRate linkRate = LinkRate::Bps38400;
};

// Writes the project as dir/job.pxp (its User ROM file as dir/user.hex).
inline std::filesystem::path writeTestProject(const ScratchDir& dir, const TestProject& spec)
{
    plx71::RecordingUi ui;
    plx71::PcJobState state;
    state.deviceTable = table();
    plx71::JobSettings job;
    plx71::selectDevice(state, job, 0);
    if (spec.withUserFile) {
        auto image = plx71::blankImage(plx71::Area::UserRom);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = std::uint8_t(i % spec.pattern);
        image.back() = 0xFF;
        const auto user = dir / "user.hex";
        EXPECT_TRUE(plx71::saveDataFile(ui, user, {image, 0xC0000, 0xFFFFF, 0, {}}));
        EXPECT_TRUE(plx71::loadAreaFile(ui, state, job, plx71::Area::UserRom, user));
    }
    job.operationBlockMode = spec.blocks.empty() ? plx71::OperationBlockMode::All : plx71::OperationBlockMode::Block;
    job.operationBlockList = spec.blocks;
    job.targetBaudIndex = spec.targetBaudIndex;
    job.linkRate = spec.linkRate;
    const auto project = dir / "job.pxp";
    EXPECT_TRUE(plx71::saveProject(ui, state, job, project));
    return project;
}

class CliLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = std::make_unique<SimBox>();
        ASSERT_TRUE(sim->start()) << sim->lastError();
        // -q: stderr holds the messages alone (a pipe would get progress lines).
        port = " -q --port " + shellQuote(sim->slavePath());
    }

    // A project for M30624FGFP with a User ROM file; `blocks` empty = All.
    std::filesystem::path makeProject(const std::string& blocks) { return writeTestProject(dir, {.blocks = blocks}); }

    void expectResting() { EXPECT_TRUE(sim->resting(3s)); }

    ScratchDir dir;
    std::unique_ptr<SimBox> sim;
    std::string port;
};

// plx71 started in the background with stdout and stderr in the scratch
// folder; the caller waits for it (exitCodeWithin). 0 when it could not
// be started.
inline pid_t spawnCli(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& tag = "bg")
{
    const std::string out = (dir / (tag + "-out.txt")).string();
    const std::string err = (dir / (tag + "-err.txt")).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<const char*> argv{PLX71_CLI_PATH};
    for (const auto& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, PLX71_CLI_PATH, &actions, nullptr, const_cast<char**>(argv.data()), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit code of `pid`, or -1 when it has not ended within `limit` (it is
// then killed).
inline int exitCodeWithin(pid_t pid, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace plx71::cli::test
