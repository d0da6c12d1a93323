// --line: a line server that cannot be reached changes nothing of a job but
// the note that its lines wait; the record line and the JSON name one job.
#include "cli_link_fixture.hpp"

#include <gtest/gtest.h>

#include <regex>

using namespace plx71::cli::test;

TEST_F(CliLink, AnUnreachableLineServerChangesNoJob)
{
    const std::string project = shellQuote(makeProject("").string());
    writeText(dir / "tok", "token\n");
    const std::string line = " --record r.jsonl --line http://127.0.0.1:1 --line-token tok --station-name 'line 3'";
    const struct {
        std::string job;
        std::function<void()> arrange;
    } cases[] = {
        {"download " + project, [] {}},
        {"download " + project, [this] { sim->state()->box.faults().silent = true; }},
        {"firmware none.hex", [] {}},
    };
    int waiting = 0;
    for (const auto& c : cases) {
        c.arrange();
        const CliResult plain = runCli(c.job + port, dir);
        const CliResult shipped = runCli("--json " + c.job + port + line, dir);
        sim->state()->box.faults().silent = false;
        ++waiting;
        EXPECT_EQ(shipped.code, plain.code) << c.job << "\n" << shipped.err;
        // "timed out" on a machine too busy to run plx71 for the 2 s of a connect.
        const std::string cause = "\\((connection refused|timed out)\\)";
        const std::string note = "record: kept locally, " + std::to_string(waiting)
            + (waiting == 1 ? " line" : " lines") + " waiting for the line server " + cause + "\n";
        EXPECT_TRUE(std::regex_search(shipped.err, std::regex(note))) << shipped.err;
        EXPECT_TRUE(
            std::regex_search(shipped.out,
                              std::regex(",\"line\":\\{\"shipped\":false,\"waiting\":" + std::to_string(waiting)
                                         + ",\"cause\":\"(connection refused|timed out)\",\"setAside\":0\\}\\}")))
            << shipped.out;
        std::smatch id;
        ASSERT_TRUE(
            std::regex_search(shipped.out, id, std::regex("\"jobId\":\"[0-9a-f-]{36}\",\"station\":\"line 3\"")))
            << shipped.out;
        const std::string record = readText(dir / "r.jsonl");
        EXPECT_NE(record.find(id.str()), std::string::npos) << record;
    }
}
