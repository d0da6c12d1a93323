// plx71 as a process among others: signals, and a port another plx71 holds.
#ifdef PLX71_HAVE_SIM
#include "cli_link_fixture.hpp"

using namespace plx71::cli::test;

namespace {

// Ctrl-C, SIGTERM, SIGHUP or SIGQUIT in the middle of the pages act as Cancel: no
// closing commands, the box back at 9600, the port closed; the exit code
// names the signal.
TEST_F(CliLink, SignalsDuringTheDataActAsCancel)
{
    const auto project = makeProject("");
    for (const auto& [sig, code] :
         {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}, std::pair{SIGQUIT, 131}}) {
        SCOPED_TRACE(sig);
        sim->clearReceivedCommands();
        const pid_t pid = spawnCli(dir, {"download", project.string(), "--port", sim->slavePath()});
        const bool started = sim->waitFor([&] { return countCode(*sim, kWritePage) >= 10; }, 20s);
        ASSERT_GT(pid, 0);
        kill(pid, sig);
        EXPECT_EQ(exitCodeWithin(pid, 60s), code);
        ASSERT_TRUE(started);
        EXPECT_LT(countCode(*sim, kWritePage), 0x400u);
        EXPECT_EQ(countCode(*sim, kDownloadEnd) + countCode(*sim, kDownloadCommit), 0u);
        EXPECT_EQ(sim->receivedCommands().back().code, kSetLinkRate);
        expectResting();
    }
}

// A reader that closes the pipe after one byte: plx71 still runs the job to
// its end, writes its record line and leaves the box at 9600.
TEST_F(CliLink, AClosedOutputPipeDoesNotEndTheJob)
{
    const auto project = makeProject("");
    const auto record = dir / "line.jsonl";
    const std::string cmd = "cd " + shellQuote(dir.path().string()) + " && { " + shellQuote(PLX71_CLI_PATH)
        + " download --no-verify " + shellQuote(project.string()) + " --record " + shellQuote(record.string())
        + " --port " + shellQuote(sim->slavePath()) + "; echo $? >code.txt; } 2>&1 </dev/null | head -c 1 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(readText(dir / "code.txt"), "0\n");
    const std::string lines = readText(record);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1);
    expectResting();
}

// A port another plx71 holds: exit code 4, and the line after the port
// message names that process.
TEST_F(CliLink, ABusyPortNamesTheProcessHoldingIt)
{
    const auto project = makeProject("");
    const pid_t holder = spawnCli(dir, {"download", project.string(), "--port", sim->slavePath()});
    ASSERT_GT(holder, 0);
    ASSERT_TRUE(sim->waitFor([&] { return countCode(*sim, kWritePage) >= 2; }, 20s));
    const auto r = runCli("versions" + port, dir);
    kill(holder, SIGINT);
    exitCodeWithin(holder, 60s);
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.err, sim->slavePath() + " cannot be used\nbusy: held by process " + std::to_string(holder) + "\n");
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
        // -q: stderr holds the messages alone.
        const pid_t first = spawnCli(dir, {"download", project.string(), "-q", "--port", slave}, "first");
        ASSERT_GT(first, 0);
        if (c.atTheRateSwitch) {
            ASSERT_TRUE(sim->waitFor([&] { return countCode(*sim, kSetLinkRate) >= 1; }, 20s));
        }
        const pid_t second = spawnCli(dir, {"download", project.string(), "-q", "--port", slave}, "second");
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
