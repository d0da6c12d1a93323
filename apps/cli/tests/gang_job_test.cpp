// Several writer boxes in one plx71 run, ports by identity and the progress
// modes, against software writer boxes in this test process.
#ifdef PLX71_HAVE_SIM
#include "cli_link_fixture.hpp"

using namespace plx71::cli::test;

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start))
        lines.push_back(text.substr(start, end - start));
    return lines;
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliGang : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("PLX71_PORTS");
        unsetenv("PLX71_SYSTEM_ROOT");
        for (int i = 0; i < 3; ++i) {
            sims.push_back(std::make_unique<SimBox>());
            ASSERT_TRUE(sims.back()->start()) << sims.back()->lastError();
        }
        project = makeProject();
    }

    // A project for M30624FGFP writing block 1 (32 pages).
    std::filesystem::path makeProject()
    {
        return writeTestProject(
            dir, {.blocks = "1", .pattern = 239, .targetBaudIndex = 9, .linkRate = plx71::LinkRate::Bps115200});
    }

    std::string portArg(std::size_t i) const { return " --port " + shellQuote(sims[i]->slavePath()); }

    ScratchDir dir;
    std::vector<std::unique_ptr<SimBox>> sims;
    std::filesystem::path project;
};

TEST_F(CliGang, EachBoxHasItsOwnOutcomeRecordAndRow)
{
    sims[1]->state()->box.faults().silent = true;
    sims[2]->state()->box.faults().failPages.insert(0x0FA3);
    const auto record = dir / "records.jsonl";
    const auto r = runCli("download " + shellQuote(project.string()) + portArg(0) + portArg(1) + portArg(2)
                              + " --progress lines --record " + shellQuote(record.string()),
                          dir);
    EXPECT_EQ(r.code, 5) << r.err; // no answer and a communication error: both class 5

    // Lines mode: whole lines only, each led by its box.
    EXPECT_FALSE(has(r.err, "\r"));
    EXPECT_TRUE(has(r.err, sims[0]->slavePath() + ": user-pages\n")) << r.err;
    EXPECT_TRUE(has(r.err, sims[0]->slavePath() + ": Verifying...   PLX-71RD -> PC 100%\n")) << r.err;
    EXPECT_TRUE(has(r.err, sims[1]->slavePath() + ": Communication error between PLX-71RD")) << r.err;

    const auto rows = linesOf(r.out);
    ASSERT_EQ(rows.size(), 4u) << r.out;
    EXPECT_TRUE(has(rows[0], "PORT") && has(rows[0], "STABLE NAME") && has(rows[0], "VERIFIED"));
    EXPECT_TRUE(has(rows[1], sims[0]->slavePath()) && has(rows[1], "success") && has(rows[1], " 32       32 "))
        << rows[1];
    EXPECT_TRUE(has(rows[2], "no-answer")) << rows[2];
    EXPECT_TRUE(has(rows[3], "communication-error")) << rows[3];

    const auto lines = linesOf(readText(record));
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& line = *std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return has(l, "\"port\":\"" + sims[i]->slavePath() + "\"");
        });
        const char* outcome[] = {"\"outcome\":\"success\"", "\"outcome\":\"no-answer\"",
                                 "\"outcome\":\"communication-error\""};
        EXPECT_TRUE(has(line, outcome[i])) << line;
    }
    EXPECT_TRUE(sims[0]->resting(3s));
    EXPECT_TRUE(sims[2]->resting(3s));
}

TEST_F(CliGang, BadPortsAndStationFilesAreUsageErrors)
{
    const auto station = dir / "ports.conf";
    writeText(station, "COM1 = /dev/null\nport line3 = " + sims[0]->slavePath() + "\nspeed = 9600\n");
    struct Case {
        std::string args;
        std::string stationText; // empty: no station file
        int code;
        std::string inErr;
    };
    const std::string proj = shellQuote(project.string());
    const std::vector<Case> cases = {
        {"versions --port ''", "", 2, "--port needs a port"},
        {"download " + proj + portArg(0) + portArg(1) + portArg(0), "", 2, "are the same device"},
        {"versions --port line3", "port line3 = /dev/x\nspeed = 9600\n", 2, "ports.conf:2: unknown key 'speed'"},
        {"versions --port line3", "port line3\n", 2, "ports.conf:1: expected 'COMn = PORT'"},
        {"download " + proj + " --port line3" + portArg(0), "port line3 = " + sims[0]->slavePath() + "\n", 2,
         "are the same device"},
        {"versions --port nowhere", "", 4, "no port named 'nowhere'"},
        {"upload -o x.pxp" + portArg(0) + portArg(1), "", 2, "give --port once"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        if (c.stationText.empty()) {
            unsetenv("PLX71_PORTS");
        } else {
            writeText(station, c.stationText);
            setenv("PLX71_PORTS", station.c_str(), 1);
        }
        const auto r = runCli(c.args, dir);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_TRUE(has(r.err, c.inErr)) << r.err;
    }
    unsetenv("PLX71_PORTS");
    for (const auto& sim : sims)
        EXPECT_TRUE(sim->receivedCommands().empty());
}

// A --port that reaches no device is that box's own port problem, with its
// own record line naming the port as given; the other boxes run. Records
// keep the name the operator used and the node the link ends at.
TEST_F(CliGang, AnUnresolvablePortEndsAloneAndRecordsKeepTheGivenName)
{
    const auto station = dir / "ports.conf";
    writeText(station, "port line2 = " + sims[1]->slavePath() + "\n");
    setenv("PLX71_PORTS", station.c_str(), 1);
    const auto record = dir / "records.jsonl";
    const auto r = runCli("--json download " + shellQuote(project.string()) + portArg(0)
                              + " --port nowhere --port line2 --progress none --record " + shellQuote(record.string()),
                          dir);
    unsetenv("PLX71_PORTS");
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_TRUE(has(r.err, "nowhere: nowhere cannot be used\nnowhere: no port named 'nowhere'")) << r.err;
    const auto lines = linesOf(readText(record));
    ASSERT_EQ(lines.size(), 3u);
    const auto lineOf = [&](const std::string& given) {
        const auto it = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& l) { return has(l, "\"portGiven\":\"" + given + "\""); });
        return it == lines.end() ? std::string() : *it;
    };
    EXPECT_TRUE(has(lineOf("nowhere"), "\"outcome\":\"port-not-found\",\"exitCode\":4")) << lineOf("nowhere");
    EXPECT_TRUE(has(lineOf(sims[0]->slavePath()), "\"outcome\":\"success\"")) << lines[0];
    const std::string line2 = lineOf("line2");
    EXPECT_TRUE(has(line2, "\"outcome\":\"success\"")) << line2;
    EXPECT_TRUE(has(line2, "\"deviceNode\":\"" + std::filesystem::canonical(sims[1]->slavePath()).string() + "\""))
        << line2;
    EXPECT_TRUE(has(r.out, "\"boxes\":[")) << r.out;
    EXPECT_TRUE(has(r.out, "\"portGiven\":\"nowhere\"")) << r.out;
}

// A record file that cannot take lines, or a folder as the station file,
// ends the job before anything is sent, for one box and for a gang.
TEST_F(CliGang, RecordsAndStationFilesThatCannotBeUsedStopTheJobBeforeTheBox)
{
    const std::string proj = shellQuote(project.string());
    const std::string noRecord = " --record " + shellQuote((dir / "no" / "records.jsonl").string());
    struct Case {
        std::string args;
        int code;
        std::string inErr;
    };
    const std::vector<Case> cases = {
        {"download " + proj + portArg(0) + noRecord, 3, "Cannot write file"},
        {"download " + proj + portArg(0) + portArg(1) + noRecord, 3, "Cannot write file"},
        {"firmware " + shellQuote((dir / "none.hex").string()) + portArg(0) + noRecord, 3, "not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const auto r = runCli(c.args, dir);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_TRUE(has(r.err, c.inErr)) << r.err;
    }
    setenv("PLX71_PORTS", dir.path().c_str(), 1);
    const auto r = runCli("versions" + portArg(0), dir);
    unsetenv("PLX71_PORTS");
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_TRUE(has(r.err, "not a regular file")) << r.err;
    for (const auto& sim : sims)
        EXPECT_TRUE(sim->receivedCommands().empty());
}

TEST_F(CliGang, PortsByIdentityReachTheBox)
{
    // A machine whose FTDI adapter is the first box, by-id link and all.
    const auto root = dir / "root";
    const auto iface = root / "sys/devices/usb1/1-1/1-1:1.0/ttyUSB0";
    std::filesystem::create_directories(iface);
    std::filesystem::create_directories(root / "dev/serial/by-id");
    std::filesystem::create_directories(root / "sys/class/tty/ttyUSB0");
    std::filesystem::create_directories(root / "sys/bus/usb-serial/drivers/ftdi_sio");
    writeText(root / "sys/devices/usb1/1-1/idVendor", "0403\n");
    writeText(root / "sys/devices/usb1/1-1/idProduct", "6001\n");
    writeText(root / "sys/devices/usb1/1-1/serial", "LINE3A\n");
    writeText(iface / "latency_timer", "16\n");
    std::filesystem::create_directory_symlink("../../../../../bus/usb-serial/drivers/ftdi_sio", iface / "driver");
    std::filesystem::create_directory_symlink("../../../devices/usb1/1-1/1-1:1.0/ttyUSB0",
                                              root / "sys/class/tty/ttyUSB0/device");
    std::filesystem::create_symlink(sims[0]->slavePath(), root / "dev/ttyUSB0");
    std::filesystem::create_symlink("../../ttyUSB0", root / "dev/serial/by-id/usb-FTDI_FT232R_LINE3A-if00-port0");
    std::filesystem::create_directory_symlink("/proc", root / "proc");
    setenv("PLX71_SYSTEM_ROOT", root.c_str(), 1);

    for (const std::string port : {"usb:0403:6001:LINE3A", "usb-FTDI_FT232R_LINE3A-if00-port0"}) {
        SCOPED_TRACE(port);
        const auto r = runCli("--json versions --port " + port, dir);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(has(r.out, "\"stableName\":\"usb-FTDI_FT232R_LINE3A-if00-port0\"")) << r.out;
        // Said once, with the fix.
        EXPECT_EQ(linesOf(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(has(r.err, "latency timer is 16 ms") && has(r.err, "latency_timer")) << r.err;
    }
    const auto listed = runCli("--json ports", dir);
    EXPECT_EQ(listed.code, 0);
    EXPECT_TRUE(has(listed.out, "\"usb\":\"usb:0403:6001:LINE3A\"")) << listed.out;
    EXPECT_TRUE(has(listed.out, "\"latencyTimerMs\":16")) << listed.out;
    unsetenv("PLX71_SYSTEM_ROOT");
}

} // namespace

#endif
