// Releases against the real line server (plx71line serve on a free loopback
// port): who may release, and --require-release before any box is touched.
#if defined(PLX71_HAVE_SIM) && defined(PLX71_HAVE_LINE)
#include "cli_link_fixture.hpp"

#include "plx71/line/httplib_client.hpp"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace plx71::cli::test;

namespace {

// A loopback port nobody listens on right now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0;
    ::close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

class CliLine : public CliLink {
protected:
    void SetUp() override
    {
        CliLink::SetUp();
        const std::string tokens = shellQuote((dir / "line.tokens").string());
        for (const char* role : {"engineer", "station", "viewer"}) {
            const std::string cmd = shellQuote(PLX71LINE_PATH) + " token add --tokens " + tokens + " --role " + role
                + " " + role + "-1 | tail -n 1 >" + shellQuote((dir / role).string());
            ASSERT_EQ(std::system(cmd.c_str()), 0);
        }
        const int port = freePort();
        ASSERT_NE(port, 0);
        url = "http://127.0.0.1:" + std::to_string(port);
        const std::vector<std::string> args{PLX71LINE_PATH, "serve",
                                            "--db",         "sqlite:" + (dir / "line.db").string(),
                                            "--listen",     "127.0.0.1:" + std::to_string(port),
                                            "--tokens",     (dir / "line.tokens").string()};
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&server, PLX71LINE_PATH, nullptr, nullptr, argv.data(), environ), 0);
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (get("/api/v1/stations", "viewer").status == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(50ms);
        ASSERT_EQ(get("/api/v1/stations", "viewer").status, 200);
    }

    void TearDown() override
    {
        if (server > 0) {
            kill(server, SIGTERM);
            exitCodeWithin(server, 20s);
        }
    }

    plx71::line::HttpAnswer get(const std::string& path, const std::string& role)
    {
        return plx71::line::httplibClient()->getJson(*plx71::line::parseLineUrl(url), path,
                                                     readText(dir / role).substr(0, 64), {});
    }

    std::string line(const std::string& role) const
    {
        return " --line " + url + " --line-token " + shellQuote((dir / role).string());
    }

    std::string digestOf(const std::filesystem::path& project)
    {
        const auto r = runCli("info " + shellQuote(project.string()), dir);
        const auto at = r.out.find("job digest: ");
        return at == std::string::npos ? std::string() : r.out.substr(at + 12, 64);
    }

    std::string url;
    pid_t server = 0;
};

// Only an engineer releases or revokes; what is released is the project's digest.
TEST_F(CliLine, ReleaseNeedsAnEngineersToken)
{
    const auto project = makeProject("");
    const std::string digest = digestOf(project);
    ASSERT_EQ(digest.size(), 64u);
    struct Case {
        const char* role;
        int code;
        const char* said;
    };
    for (const Case c : {Case{"viewer", 1, "may not release jobs"}, Case{"station", 1, "may not release jobs"},
                         Case{"engineer", 0, "released: "}}) {
        SCOPED_TRACE(c.role);
        const auto r = runCli("release " + shellQuote(project.string()) + line(c.role) + " --note first", dir);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << r.out << r.err;
        EXPECT_EQ(get("/api/v1/releases/" + digest, "viewer").status, c.code == 0 ? 200 : 404);
    }
    const auto revoked = runCli("release --revoke " + digest + line("engineer"), dir);
    EXPECT_EQ(revoked.code, 0) << revoked.err;
    EXPECT_EQ(get("/api/v1/releases/" + digest, "viewer").status, 404);
    const auto away =
        runCli("release " + shellQuote(project.string()) + " --line http://127.0.0.1:" + std::to_string(freePort())
                   + " --line-token " + shellQuote((dir / "engineer").string()),
               dir);
    EXPECT_EQ(away.code, 1);
    EXPECT_NE(away.err.find("line server not reachable"), std::string::npos) << away.err;
}

// --require-release: a released job runs; an unreleased one, or a server
// that cannot be asked, is refused with exit 6 and the box never hears of it.
TEST_F(CliLine, RequireReleaseRefusesAJobNotReleased)
{
    const auto released = makeProject("1");
    const std::string digest = digestOf(released);
    ASSERT_EQ(runCli("release " + shellQuote(released.string()) + line("engineer"), dir).code, 0);
    ScratchDir other; // another job.pxp
    const auto unreleased = writeTestProject(other, {.blocks = "1", .pattern = 13});
    const std::string away = " --line http://127.0.0.1:" + std::to_string(freePort()) + " --line-token "
        + shellQuote((dir / "station").string());
    struct Case {
        const char* name;
        std::filesystem::path project;
        std::string line;
        int code;
    };
    for (const Case& c :
         {Case{"released", released, line("station"), 0}, Case{"not released", unreleased, line("station"), 6},
          Case{"server away", released, away, 6}}) {
        SCOPED_TRACE(c.name);
        sim->clearReceivedCommands();
        const auto r = runCli("download --require-release " + shellQuote(c.project.string()) + port + c.line
                                  + " --record " + shellQuote((dir / "records.jsonl").string()),
                              dir);
        EXPECT_EQ(r.code, c.code) << r.err;
        if (c.code == 0) {
            EXPECT_GT(countCode(*sim, kWritePage), 0u);
            continue;
        }
        const std::string shortDigest = digestOf(c.project).substr(0, 12);
        EXPECT_NE(r.err.find("job not released for this line: " + shortDigest + " (ask your line engineer to release "
                             + c.project.string() + ")"),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(sim->receivedCommands().empty());
    }
    EXPECT_EQ(runCli("download --require-release " + shellQuote(released.string()) + port, dir).code, 2);
}

// A job on several boxes shows each box's end on the line's page.
TEST_F(CliLine, SeveralBoxesPostTheirStatus)
{
    const auto project = makeProject("1");
    const auto r = runCli("download " + shellQuote(project.string()) + port + " --port "
                              + shellQuote((dir / "none").string()) + line("station") + " --station-name bench-7",
                          dir);
    EXPECT_NE(r.code, 0);
    const auto stations = get("/api/v1/stations", "viewer");
    EXPECT_NE(stations.body.find("\"state\":\"Verified\""), std::string::npos) << stations.body;
    EXPECT_NE(stations.body.find("\"state\":\"No box\""), std::string::npos) << stations.body;
    EXPECT_NE(stations.body.find("bench-7"), std::string::npos);
}

} // namespace
#endif
