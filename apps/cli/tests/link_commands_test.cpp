// plx71 versions | download | upload | firmware against the software writer
// box, which runs in this test process on a pseudo-terminal.
#include "cli_runner.hpp"

#ifdef PLX71_HAVE_SIM
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71sim/simulator.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>

extern char** environ;

using namespace plx71::cli::test;
using namespace std::chrono_literals;

namespace {

constexpr std::uint8_t kWritePage = 0x15;
constexpr std::uint8_t kDownloadEnd = 0x1F;
constexpr std::uint8_t kDownloadCommit = 0x1D;
constexpr std::uint8_t kSetLinkRate = 0x01;

std::size_t countCode(const plx71sim::Simulator& sim, std::uint8_t code)
{
    std::size_t n = 0;
    for (auto& c : sim.receivedCommands())
        n += c.code == code && (c.outcome == plx71sim::Outcome::Acked || c.outcome == plx71sim::Outcome::Replied);
    return n;
}

plx71::DeviceTable table()
{
    return *plx71::loadDeviceTable(std::filesystem::path(PLX71_SOURCE_DIR) / "resources" / "plx71typ.tbl");
}

class CliLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        plx71sim::Options o;
        o.box.busyTime = 5ms;
        sim = std::make_unique<plx71sim::Simulator>(o);
        ASSERT_TRUE(sim->start()) << sim->lastError();
        port = " --port " + shellQuote(sim->slavePath());
    }

    // A project for M30624FGFP with a User ROM file; `blocks` empty = All.
    std::filesystem::path makeProject(const std::string& blocks, bool withUserFile = true)
    {
        plx71::RecordingUi ui;
        plx71::WriterState state;
        state.deviceTable = table();
        plx71::JobSettings job;
        plx71::selectDevice(state, job, 0);
        if (withUserFile) {
            auto image = plx71::blankImage(plx71::Area::UserRom);
            for (std::size_t i = 0; i < image.size(); ++i)
                image[i] = std::uint8_t(i % 241);
            image.back() = 0xFF; // no ROM code protect
            const auto user = dir / "user.hex";
            EXPECT_TRUE(plx71::saveDataFile(ui, user, {image, 0xC0000, 0xFFFFF, 0, {}}));
            EXPECT_TRUE(plx71::loadAreaFile(ui, state, job, plx71::Area::UserRom, user));
        }
        job.operationBlockMode = blocks.empty() ? plx71::OperationBlockMode::All : plx71::OperationBlockMode::Block;
        job.operationBlockList = blocks;
        job.targetBaudIndex = 3;
        job.hostBaudSelection = 2; // 38400
        const auto project = dir / "job.pxp";
        EXPECT_TRUE(plx71::saveProject(ui, state, job, project));
        return project;
    }

    void expectResting()
    {
        EXPECT_TRUE(sim->waitFor([&] { return sim->portOpenCount() == 0; }, 3s));
        EXPECT_EQ(sim->rate(), 9600);
    }

    ScratchDir dir;
    std::unique_ptr<plx71sim::Simulator> sim;
    std::string port;
};

TEST_F(CliLink, VersionsPrintsBothTextsOrFails)
{
    auto r = runCli("versions --baud 19200" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "boot: BOOT V1.00 2001 \nfirmware: V1.30 2001/12/25\n");
    EXPECT_EQ(r.err, "");
    const auto cmds = sim->receivedCommands();
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.front().payload, (plx71sim::Bytes{2}));
    expectResting();

    sim->setFirmwareVersion(std::string("V1.30\x01\xFF") + "abcdefghi");
    r = runCli("versions" + port, dir);
    EXPECT_EQ(r.out, "boot: BOOT V1.00 2001 \nfirmware: V1.30..abcdefghi\n");

    r = runCli("versions --port /nonexistent/plx71-tty", dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "/nonexistent/plx71-tty cannot be used\n");

    sim->setSilent(true);
    r = runCli("versions" + port, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Communication error between PLX-71RD\n");

    r = runCli("versions --baud 12345" + port, dir);
    EXPECT_EQ(r.code, 2);
}

TEST_F(CliLink, DownloadSendsTheProjectsJobOrNothing)
{
    const auto project = makeProject("1");
    auto r = runCli("download " + shellQuote(project.string()) + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(sim->settings().deviceName, "M30624FGFP");
    EXPECT_EQ(sim->settings().targetRateCode, 4);
    EXPECT_EQ(countCode(*sim, kWritePage), 0x20u);
    EXPECT_EQ(countCode(*sim, kDownloadCommit), 1u);
    auto cmds = sim->receivedCommands();
    EXPECT_EQ(cmds.front().payload, (plx71sim::Bytes{3})); // the project's 38400
    EXPECT_EQ(cmds.at(1).rate, 38400);
    expectResting();

    // --baud wins over the project.
    sim->clearReceivedCommands();
    r = runCli("download " + shellQuote(project.string()) + " --baud 115200" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(sim->receivedCommands().front().payload, (plx71sim::Bytes{5}));

    // Firmware of another version: refused after the query.
    sim->setFirmwareVersion("V1.29 2001/01/01");
    r = runCli("download " + shellQuote(project.string()) + port, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Firmware Version is different\n");
    expectResting();

    // No User ROM data: nothing is sent.
    sim->clearReceivedCommands();
    const auto empty = makeProject("", false);
    r = runCli("download " + shellQuote(empty.string()) + port, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no User ROM data"), std::string::npos) << r.err;
    EXPECT_TRUE(sim->receivedCommands().empty());

    r = runCli("download missing.pxp" + port, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(sim->receivedCommands().empty());
}

TEST_F(CliLink, UploadWritesDataFilesAndAProjectOnlyWhenComplete)
{
    const auto project = makeProject("0,3");
    ASSERT_EQ(runCli("download " + shellQuote(project.string()) + port, dir).code, 0);

    auto r = runCli("upload -o back.pxp --user-rom back.mot --baud 57600" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    expectResting();

    plx71::RecordingUi ui;
    plx71::WriterState original, back;
    original.deviceTable = back.deviceTable = table();
    plx71::JobSettings originalJob, backJob;
    ASSERT_TRUE(plx71::openProject(ui, original, originalJob, project));
    ASSERT_TRUE(plx71::openProject(ui, back, backJob, dir / "back.pxp"));
    EXPECT_TRUE(ui.messages().empty()) << ui.texts().front();
    EXPECT_EQ(back.deviceIndex, 0);
    EXPECT_EQ(backJob.userRomFileName, (dir / "back.mot").string());
    EXPECT_EQ(backJob.operationBlockMode, plx71::OperationBlockMode::Block);
    EXPECT_EQ(backJob.operationBlockList, "0,3");
    EXPECT_EQ(backJob.targetBaudIndex, 3);
    EXPECT_EQ(backJob.hostBaudSelection, 3); // the rate used
    EXPECT_EQ(backJob.portSelection, 0);     // a device path counts as COM1
    // Only blocks 0 and 3 were written; the rest reads back blank.
    for (std::uint32_t a : {0xFC000u, 0xF0000u}) {
        EXPECT_EQ(back.images.user[a - 0xC0000], original.images.user[a - 0xC0000]);
        EXPECT_EQ(back.images.user[a - 0xC0000 + 1], original.images.user[a - 0xC0000 + 1]);
    }
    EXPECT_EQ(back.images.user[0], 0xFF);

    // Without --user-rom the project keeps the box's name.
    r = runCli("upload -o names.pxp" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    plx71::JobSettings namesJob;
    plx71::WriterState names;
    names.deviceTable = table();
    ASSERT_TRUE(plx71::openProject(ui, names, namesJob, dir / "names.pxp"));
    EXPECT_EQ(namesJob.userRomFileName, (dir / "user.hex").string());

    // A box with no settings: the message, and no files.
    sim->setNoSettings(true);
    r = runCli("upload -o none.pxp --user-rom none.hex" + port, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Settings not loaded\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "none.pxp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "none.hex"));
    expectResting();
}

// A firmware file: the header at 0xC1000, a pattern after it.
std::string firmwareHex(const std::string& header)
{
    std::string text = ":02000002C1003B\n";
    std::vector<std::uint8_t> data(header.begin(), header.end());
    for (int line = 0; line < 4; ++line) {
        std::vector<std::uint8_t> bytes{0x10, 0x00, std::uint8_t(line * 0x10), 0x00};
        for (int i = 0; i < 16; ++i)
            bytes.push_back(line == 0 && i < int(data.size()) ? data[std::size_t(i)] : std::uint8_t(line * 16 + i));
        std::uint8_t sum = 0;
        text += ":";
        char buf[4];
        for (auto b : bytes) {
            sum = std::uint8_t(sum + b);
            std::snprintf(buf, sizeof buf, "%02X", b);
            text += buf;
        }
        std::snprintf(buf, sizeof buf, "%02X", std::uint8_t(-sum));
        text += std::string(buf) + "\n";
    }
    return text + ":00000001FF\n";
}

TEST_F(CliLink, FirmwareLoadsAndReportsTheBoxsVersion)
{
    writeAll(dir / "fw.hex", firmwareHex("V1.50 2004/05/06"));
    auto r = runCli("firmware fw.hex" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "firmware: V1.50 2004/05/06\n");
    EXPECT_EQ(sim->job().firmware.size(), 48u);
    expectResting();

    writeAll(dir / "bad.hex", firmwareHex("X1.50 2004/05/06"));
    sim->clearReceivedCommands();
    r = runCli("firmware bad.hex" + port, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "File format error\n");
    EXPECT_TRUE(sim->receivedCommands().empty());

    sim->setFailPage(0x0C20);
    r = runCli("firmware fw.hex" + port, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Communication error between PLX-71RD\n");
    expectResting();
}

// Ctrl-C in the middle of the pages acts as Cancel: no closing commands, the
// box back at 9600, the port closed.
TEST_F(CliLink, InterruptDuringTheDataActsAsCancel)
{
    const auto project = makeProject("");
    const std::string out = (dir / "out.txt").string();
    const std::string err = (dir / "err.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string slave = sim->slavePath();
    const std::string projectPath = project.string();
    std::vector<const char*> argv{PLX71_CLI_PATH, "download", projectPath.c_str(), "--port", slave.c_str(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, PLX71_CLI_PATH, &actions, nullptr, const_cast<char**>(argv.data()), environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    const bool started = sim->waitFor([&] { return countCode(*sim, kWritePage) >= 10; }, 20s);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_LT(countCode(*sim, kWritePage), 0x400u);
    EXPECT_EQ(countCode(*sim, kDownloadEnd) + countCode(*sim, kDownloadCommit), 0u);
    EXPECT_EQ(sim->receivedCommands().back().code, kSetLinkRate);
    expectResting();
}

} // namespace
#endif
