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
#include <thread>

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
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "/nonexistent/plx71-tty cannot be used\nnot found: no device /nonexistent/plx71-tty\n");

    sim->setSilent(true);
    r = runCli("versions" + port, dir);
    EXPECT_EQ(r.code, 5);
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
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.err, "Firmware Version is different\n");
    expectResting();

    // No User ROM data: nothing is sent.
    sim->clearReceivedCommands();
    const auto empty = makeProject("", false);
    r = runCli("download " + shellQuote(empty.string()) + port, dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("no User ROM data"), std::string::npos) << r.err;
    EXPECT_TRUE(sim->receivedCommands().empty());

    r = runCli("download missing.pxp" + port, dir);
    EXPECT_EQ(r.code, 3);
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
    EXPECT_EQ(r.code, 6);
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
    writeText(dir / "fw.hex", firmwareHex("V1.50 2004/05/06"));
    auto r = runCli("firmware fw.hex" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "firmware: V1.50 2004/05/06\n");
    EXPECT_EQ(sim->job().firmware.size(), 48u);
    expectResting();

    writeText(dir / "bad.hex", firmwareHex("X1.50 2004/05/06"));
    sim->clearReceivedCommands();
    r = runCli("firmware bad.hex" + port, dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "File format error\n");
    EXPECT_TRUE(sim->receivedCommands().empty());

    sim->setFailPage(0x0C20);
    r = runCli("firmware fw.hex" + port, dir);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Communication error between PLX-71RD\n");
    expectResting();
}

// plx71 started in the background with stdout and stderr in the scratch
// folder; the caller waits for it.
pid_t spawnCli(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& tag = "bg")
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

int waitExit(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The exit code of `pid`, or -1 when it has not ended within `limit` (it is
// then killed).
int exitCodeWithin(pid_t pid, std::chrono::seconds limit)
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

// Ctrl-C, SIGTERM or SIGHUP in the middle of the pages act as Cancel: no
// closing commands, the box back at 9600, the port closed; the exit code
// names the signal.
TEST_F(CliLink, SignalsDuringTheDataActAsCancel)
{
    const auto project = makeProject("");
    for (const auto& [sig, code] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        SCOPED_TRACE(sig);
        sim->clearReceivedCommands();
        const pid_t pid = spawnCli(dir, {"download", project.string(), "--port", sim->slavePath()});
        const bool started = sim->waitFor([&] { return countCode(*sim, kWritePage) >= 10; }, 20s);
        kill(pid, sig);
        EXPECT_EQ(waitExit(pid), code);
        ASSERT_TRUE(started);
        EXPECT_LT(countCode(*sim, kWritePage), 0x400u);
        EXPECT_EQ(countCode(*sim, kDownloadEnd) + countCode(*sim, kDownloadCommit), 0u);
        EXPECT_EQ(sim->receivedCommands().back().code, kSetLinkRate);
        expectResting();
    }
}

// A port another plx71 holds: exit code 4, and the line after the port
// message names that process.
TEST_F(CliLink, ABusyPortNamesTheProcessHoldingIt)
{
    const auto project = makeProject("");
    const pid_t holder = spawnCli(dir, {"download", project.string(), "--port", sim->slavePath()});
    ASSERT_TRUE(sim->waitFor([&] { return countCode(*sim, kWritePage) >= 2; }, 20s));
    const auto r = runCli("versions" + port, dir);
    kill(holder, SIGINT);
    waitExit(holder);
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.err, sim->slavePath() + " cannot be used\nbusy: held by process " + std::to_string(holder) + "\n");
}

// verify compares without writing; each class of result has its code.
TEST_F(CliLink, VerifyWritesNothingAndEachResultHasItsExitCode)
{
    const auto project = makeProject("1");
    const std::string job = " " + shellQuote(project.string()) + port;
    ASSERT_EQ(runCli("download --no-verify" + job, dir).code, 0);
    EXPECT_EQ(countCode(*sim, 0x16), 0u); // no page read without the read-back
    sim->clearReceivedCommands();

    auto r = runCli("verify" + job, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    for (const auto& c : sim->receivedCommands())
        EXPECT_TRUE(c.code == 0x01 || c.code == 0x04 || c.code == 0x1E || c.code == 0x16) << int(c.code);
    EXPECT_EQ(countCode(*sim, 0x16), 0x20u);
    expectResting();

    sim->setFlipRead(0x0FA1, 0x30);
    r = runCli("verify" + job, dir);
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.err, "Verify error at address 0FA130\n");
    EXPECT_EQ(runCli("download" + job, dir).code, 7); // the read-back is on by default
    sim->setFlipRead(0x0FA1, 0, false);

    sim->setNoSettings(true);
    EXPECT_EQ(runCli("verify" + job, dir).code, 6);
    sim->setNoSettings(false);
    EXPECT_EQ(runCli("verify --bogus" + job, dir).code, 2);
    expectResting();
}

// --json: one object on stdout that parses and carries the result; --record
// appends the same fields as one line per job.
TEST_F(CliLink, JsonAndRecordCarryTheResult)
{
    const auto project = makeProject("1");
    const auto record = dir / "line.jsonl";
    auto r = runCli("--json download " + shellQuote(project.string()) + " --record " + shellQuote(record.string()) + port,
                    dir);
    EXPECT_EQ(r.code, 0) << r.err;
    writeText(dir / "out.json", r.out);
    const std::string check =
        "python3 -c 'import json,sys\n"
        "o=json.load(open(sys.argv[1]))\n"
        "lines=open(sys.argv[2]).read().splitlines()\n"
        "assert len(lines)==1, lines\n"
        "rec=json.loads(lines[0])\n"
        "assert o[\"outcome\"]==\"success\" and o[\"exitCode\"]==0 and o[\"command\"]==\"download\", o\n"
        "assert o[\"device\"]==\"M30624FGFP\" and o[\"verified\"] and o[\"pagesWritten\"]==32, o\n"
        "assert o[\"pagesVerified\"]==32 and o[\"firmwareVersion\"]==\"V1.30 2001/12/25\", o\n"
        "assert len([f for f in o[\"files\"] if len(f[\"sha256\"] or \"\")==64])==2, o\n"
        "assert rec[\"host\"] and rec[\"time\"].endswith(\"Z\") and rec[\"programVersion\"], rec\n"
        "assert rec[\"pagesWritten\"]==32 and rec[\"devicePath\"]==o[\"devicePath\"], rec' "
        + shellQuote((dir / "out.json").string()) + " " + shellQuote(record.string());
    EXPECT_EQ(std::system(check.c_str()), 0) << r.out;

    r = runCli("--json versions --port /nonexistent/plx71-tty", dir);
    EXPECT_EQ(r.code, 4);
    writeText(dir / "port.json", r.out);
    const std::string portCheck = "python3 -c 'import json,sys\n"
                                  "o=json.load(open(sys.argv[1]))\n"
                                  "assert o[\"outcome\"]==\"port-not-found\" and o[\"exitCode\"]==4, o\n"
                                  "assert o[\"portProblem\"][\"cause\"].startswith(\"not found\"), o' "
        + shellQuote((dir / "port.json").string());
    EXPECT_EQ(std::system(portCheck.c_str()), 0) << r.out;

    // A command without a box: the object still comes alone on stdout.
    r = runCli("--json devices", dir);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "{\"command\":\"devices\",\"outcome\":\"success\",\"exitCode\":0}\n");
}

// The port is held from connect to disconnect, the rate switch included: a
// second job on the same port is turned away at once, and the first one
// completes and leaves the box at 9600.
TEST_F(CliLink, ASecondJobOnTheSamePortIsRefusedWhileTheFirstRuns)
{
    const auto project = makeProject("1");
    const std::string slave = sim->slavePath();
    const std::string refused = slave + " cannot be used\nbusy";
    struct Case {
        const char* name;
        bool atTheRateSwitch; // start the second job once the first switches rate
    };
    for (const Case c : {Case{"started together", false}, Case{"started at the rate switch", true}}) {
        SCOPED_TRACE(c.name);
        sim->clearReceivedCommands();
        const pid_t first = spawnCli(dir, {"download", project.string(), "--port", slave}, "first");
        ASSERT_GT(first, 0);
        if (c.atTheRateSwitch) {
            ASSERT_TRUE(sim->waitFor([&] { return countCode(*sim, kSetLinkRate) >= 1; }, 20s));
        }
        const pid_t second = spawnCli(dir, {"download", project.string(), "--port", slave}, "second");
        ASSERT_GT(second, 0);
        const int secondCode = exitCodeWithin(second, 30s);
        const int firstCode = exitCodeWithin(first, 60s);

        // Whichever got the port first completes; the other is refused.
        const bool firstWon = firstCode == 0;
        EXPECT_EQ(firstWon ? secondCode : firstCode, 4);
        EXPECT_EQ(firstWon ? firstCode : secondCode, 0);
        EXPECT_EQ(readText(dir / (firstWon ? "second-err.txt" : "first-err.txt")).rfind(refused, 0), 0u);
        EXPECT_EQ(readText(dir / (firstWon ? "first-err.txt" : "second-err.txt")), "");
        if (c.atTheRateSwitch) {
            EXPECT_TRUE(firstWon);
        }
        EXPECT_EQ(countCode(*sim, kDownloadCommit), 1u);
        expectResting();
    }
}

} // namespace
#endif
