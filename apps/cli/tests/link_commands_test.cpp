// plx71 versions | download | upload | firmware | verify against the
// software writer box, and the results --json and --record carry.
#ifdef PLX71_HAVE_SIM
#include "cli_link_fixture.hpp"
#include "plx71/testing/record_text.hpp"

#include <sys/stat.h>

using namespace plx71::cli::test;
using namespace std::chrono_literals;

namespace {

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

    sim->state()->box.job().firmwareVersion = plx71sim::versionField(std::string("V1.30\x01\xFF") + "abcdefghi");
    r = runCli("versions" + port, dir);
    EXPECT_EQ(r.out, "boot: BOOT V1.00 2001 \nfirmware: V1.30..abcdefghi\n");

    r = runCli("versions --port /nonexistent/plx71-tty", dir);
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "/nonexistent/plx71-tty cannot be used\nnot found: no device /nonexistent/plx71-tty\n");

    sim->state()->box.faults().silent = true;
    r = runCli("versions" + port, dir);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.err, "Communication error between PLX-71RD\nfailed command: CMD_SET_LINK_RATE\n");

    // Values the options do not take are usage errors, before any frame.
    sim->clearReceivedCommands();
    for (const char* bad : {"versions --baud 12345", "versions --baud 0x2580", "versions --baud 9600.0",
                            "firmware fw.hex --record \"\"", "--table \"\" versions"}) {
        r = runCli(bad + port, dir);
        EXPECT_EQ(r.code, 2) << bad;
    }
    EXPECT_TRUE(sim->receivedCommands().empty());
}

TEST_F(CliLink, DownloadSendsTheProjectsJobOrNothing)
{
    const auto project = makeProject("1");
    auto r = runCli("download " + shellQuote(project.string()) + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(sim->state()->box.job().settings.deviceName, "M30624FGFP");
    EXPECT_EQ(sim->state()->box.job().settings.targetRateCode, 4);
    EXPECT_EQ(countCode(*sim, kWritePage), 0x20u);
    EXPECT_EQ(countCode(*sim, kDownloadCommit), 1u);
    auto cmds = sim->receivedCommands();
    EXPECT_EQ(cmds.front().payload, (plx71sim::Bytes{3})); // the project's 38400
    EXPECT_EQ(cmds.at(1).rate, 38400);
    expectResting();

    // -q before the command silences the progress too; a mode named with
    // --progress wins over -q.
    const std::string bare = " --port " + shellQuote(sim->slavePath());
    r = runCli("-q download " + shellQuote(project.string()) + bare, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = runCli("-q download " + shellQuote(project.string()) + " --progress lines" + bare, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("user-pages\n"), std::string::npos) << r.err;

    // A narrow terminal: every redraw of the bar fits, none wraps.
    setenv("COLUMNS", "45", 1);
    r = runCli("download " + shellQuote(project.string()) + " --progress bar" + bare, dir);
    unsetenv("COLUMNS");
    EXPECT_EQ(r.code, 0) << r.err;
    std::size_t longest = 0, start = 0;
    for (std::size_t i = 0; i <= r.err.size(); ++i) {
        if (i == r.err.size() || r.err[i] == '\r' || r.err[i] == '\n') {
            longest = std::max(longest, i - start);
            start = i + 1;
        }
    }
    EXPECT_GT(longest, 20u) << r.err;
    EXPECT_LE(longest, 44u) << r.err;

    // --baud wins over the project.
    sim->clearReceivedCommands();
    r = runCli("download " + shellQuote(project.string()) + " --baud 115200" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(sim->receivedCommands().front().payload, (plx71sim::Bytes{5}));

    // Firmware of another version: refused after the query.
    sim->state()->box.job().firmwareVersion = plx71sim::versionField("V1.29 2001/01/01");
    r = runCli("download " + shellQuote(project.string()) + port, dir);
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.err, "Firmware Version is different\n");
    expectResting();

    // No User ROM data: nothing is sent.
    sim->clearReceivedCommands();
    const auto empty = writeTestProject(dir, {.blocks = "", .withUserFile = false});
    r = runCli("download " + shellQuote(empty.string()) + port, dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("no User ROM data"), std::string::npos) << r.err;
    EXPECT_TRUE(sim->receivedCommands().empty());

    r = runCli("download missing.pxp" + port, dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(sim->receivedCommands().empty());

    // A FIFO named as the project is refused at once, for the record too.
    ASSERT_EQ(::mkfifo((dir / "fifo.pxp").c_str(), 0600), 0);
    for (const char* command : {"download", "verify"}) {
        r = runCli(std::string(command) + " fifo.pxp --record r.jsonl" + port, dir);
        EXPECT_EQ(r.code, 3) << command;
    }
    EXPECT_TRUE(sim->receivedCommands().empty());
}

// One file named for two outputs, or an output that cannot be made: refused
// before the first read. A write that fails half way (the file size limit
// stands in for a full disk) changes none of the old files.
TEST_F(CliLink, UploadChecksItsOutputsFirstAndChangesAllOrNone)
{
    ASSERT_EQ(runCli("download " + shellQuote(makeProject("1").string()) + port, dir).code, 0);
    writeText(dir / "old.pxp", "old");
    writeText(dir / "old.hex", "old");
    struct Case {
        std::string args;
        int code;
        std::string err; // its start
    };
    const Case cases[] = {
        {"-o x.mot --user-rom x.mot", 2, "upload: -o and --user-rom name the same file"},
        {"-o j.pxp --user-rom j.hex --boot-rom ./j.hex", 2, "upload: --user-rom and --boot-rom name the same file"},
        {"-o old.pxp --user-rom no/such/u.hex", 3, "Cannot write file 'no/such/u.hex'\nnot a folder"},
        {"-o old.pxp --user-rom " + std::string(300, 'n') + ".hex", 3, "Cannot write file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        sim->clearReceivedCommands();
        const auto r = runCli("upload " + c.args + port, dir);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        EXPECT_TRUE(sim->receivedCommands().empty());
    }
    const std::string full = "cd " + shellQuote(dir.path().string()) + " && trap '' XFSZ && ulimit -f 16 && "
        + shellQuote(PLX71_CLI_PATH) + " upload -o old.pxp --user-rom old.hex" + port + " 2>err.txt";
    EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 3);
    EXPECT_EQ(readText(dir / "err.txt").rfind("Cannot write file '", 0), 0u) << readText(dir / "err.txt");
    EXPECT_EQ(readText(dir / "old.pxp"), "old");
    EXPECT_EQ(readText(dir / "old.hex"), "old");
    expectResting();
}

TEST_F(CliLink, UploadWritesDataFilesAndAProjectOnlyWhenComplete)
{
    const auto project = makeProject("0,3");
    ASSERT_EQ(runCli("download " + shellQuote(project.string()) + port, dir).code, 0);

    auto r = runCli("upload -o back.pxp --user-rom back.mot --baud 57600" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    expectResting();
    // The backup checks against the box it came from: its own file names
    // stand for the ones the box keeps.
    r = runCli("verify back.pxp" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;

    plx71::RecordingUi ui;
    plx71::PcJobState original, back;
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
    EXPECT_EQ(backJob.linkRate, plx71::LinkRate::Bps57600); // the rate used
    EXPECT_EQ(backJob.portSelection, 0);                    // a device path counts as COM1
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
    plx71::PcJobState names;
    names.deviceTable = table();
    ASSERT_TRUE(plx71::openProject(ui, names, namesJob, dir / "names.pxp"));
    EXPECT_EQ(namesJob.userRomFileName, (dir / "user.hex").string());

    // A box with no settings: the message, and no files.
    sim->state()->box.faults().noSettings = true;
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
    std::string text = plx71::test::intelSegment(0xC100) + "\n";
    for (int line = 0; line < 4; ++line) {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 16; ++i)
            bytes.push_back(line == 0 && i < int(header.size()) ? std::uint8_t(header[std::size_t(i)])
                                                                : std::uint8_t(line * 16 + i));
        text += plx71::test::intelData(unsigned(line * 0x10), bytes) + "\n";
    }
    return text + ":00000001FF\n";
}

TEST_F(CliLink, FirmwareLoadsAndReportsTheBoxsVersion)
{
    writeText(dir / "fw.hex", firmwareHex("V1.50 2004/05/06"));
    auto r = runCli("firmware fw.hex" + port, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "firmware: V1.50 2004/05/06 (loaded, not read back)\n");
    r = runCli("--json firmware fw.hex" + port, dir);
    EXPECT_NE(r.out.find("\"verified\":false,\"mismatch\":null,\"note\":\"loaded, not read back\""), std::string::npos)
        << r.out;
    EXPECT_EQ(sim->state()->box.job().firmware.size(), 48u);
    expectResting();

    writeText(dir / "bad.hex", firmwareHex("X1.50 2004/05/06"));
    sim->clearReceivedCommands();
    r = runCli("firmware bad.hex" + port, dir);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "File format error\n");
    EXPECT_TRUE(sim->receivedCommands().empty());

    sim->state()->box.faults().failPages.insert(0x0C20);
    r = runCli("firmware fw.hex" + port, dir);
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Communication error between PLX-71RD\nfailed command: CMD_LOAD_WRITE_PAGE, page 0C20\n");
    expectResting();
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

    sim->state()->box.faults().flipReads[0x0FA1] = 0x30;
    r = runCli("verify" + job, dir);
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.err, "Verify error at address 0FA130\n");
    EXPECT_EQ(runCli("download" + job, dir).code, 7); // the read-back is on by default
    sim->state()->box.faults().flipReads.erase(0x0FA1);

    sim->state()->box.faults().noSettings = true;
    EXPECT_EQ(runCli("verify" + job, dir).code, 6);
    sim->state()->box.faults().noSettings = false;
    EXPECT_EQ(runCli("verify --bogus" + job, dir).code, 2);
    expectResting();
}

// --json: one object on stdout that parses and carries the result; --record
// appends the same fields as one line per job.
TEST_F(CliLink, JsonAndRecordCarryTheResult)
{
    const auto project = makeProject("1");
    const auto record = dir / "line.jsonl";
    auto r = runCli(
        "--json download " + shellQuote(project.string()) + " --record " + shellQuote(record.string()) + port, dir);
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
    EXPECT_EQ(r.out.rfind("{\"command\":\"devices\",\"outcome\":\"success\",\"exitCode\":0,\"devices\":[{", 0), 0u)
        << r.out;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
}

// --recover: the one line of what the job took, the counts in JSON; a page
// the re-reads confirm different is still a mismatch for verify.
TEST_F(CliLink, RecoverSaysWhatTheJobTook)
{
    const auto project = makeProject("1");
    const std::string job = " " + shellQuote(project.string()) + port + " --recover";
    auto r = runCli("--json download" + job, dir);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("finished at 38400 bit/s\n"), std::string::npos) << r.err;
    writeText(dir / "out.json", r.out);
    const std::string check = "python3 -c 'import json,sys\n"
                              "o=json.load(open(sys.argv[1]))\n"
                              "assert (o[\"linkRate\"],o[\"resyncs\"],o[\"restarts\"])==(38400,0,0), o' "
        + shellQuote((dir / "out.json").string());
    EXPECT_EQ(std::system(check.c_str()), 0) << r.out;

    sim->state()->box.faults().flipReads[0x0FA1] = 0x30;
    r = runCli("verify" + job, dir);
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.err, "Verify error at address 0FA130\n");
    expectResting();
}

} // namespace
#endif
