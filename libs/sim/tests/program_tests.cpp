// The plx71sim program: first line, symlink, log, options, clean exit.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "plx71/testing/sim_wire.hpp"

namespace plx71sim::test {
namespace {

using namespace plx71::test;

struct Program {
    pid_t pid = -1;
    int out = -1;

    explicit Program(std::vector<std::string> args)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            std::vector<char*> argv{const_cast<char*>(PLX71SIM_PATH)};
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(PLX71SIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out = fds[0];
    }
    ~Program()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (out >= 0)
            ::close(out);
    }

    std::string firstLine(std::chrono::milliseconds timeout = 5s)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char c;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{out, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            if (::read(out, &c, 1) != 1 || c == '\n')
                break;
            line += c;
        }
        return line;
    }

    // Exit status after SIGTERM, or -1 when it did not end in time.
    int terminate(std::chrono::milliseconds timeout = 5s)
    {
        ::kill(pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            pollfd p{out, POLLIN, 0};
            ::poll(&p, 1, 20); // the pipe closes when it ends
        }
        return -1;
    }

    int wait(std::chrono::milliseconds timeout = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            pollfd p{out, POLLIN, 0};
            ::poll(&p, 1, 20);
        }
        return -1;
    }
};

std::string fileText(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(Program, ServesThroughItsLinkLogsAndCleansUp)
{
    const std::string link = tempPath("plx71sim_com1");
    const std::string log = tempPath("plx71sim_prog.log");
    const std::string state = tempPath("plx71sim_prog.state");
    ASSERT_EQ(::symlink("/nonexistent", link.c_str()), 0); // a stale link is replaced

    Program prog({"--link", link, "--log", log, "--state", state, "--busy-ms", "5", "--fail-page", "0x0C01",
                  "--firmware-version", "V1.20 2000/01/01"});
    const std::string slave = prog.firstLine();
    ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(slave, target);

    {
        PcPort port(link);
        ASSERT_TRUE(port.isOpen());
        const Bytes v = transact(port, hex("01 00 04 04"), 0x21);
        ASSERT_EQ(v.size(), 0x25u);
        EXPECT_EQ(std::string(v.begin() + 20, v.begin() + 36), "V1.20 2000/01/01");
        Bytes p{0x01, 0x0C};
        p.resize(258, 0);
        EXPECT_EQ(toHex(transact(port, makeFrame(cmd::WritePage, p))), "15");
        EXPECT_EQ(toHex(transact(port, hex("02 00 13 01 14"))), "06");
    }
    EXPECT_EQ(prog.terminate(), 0);

    struct stat st;
    EXPECT_NE(::lstat(link.c_str(), &st), 0); // link removed
    const std::string text = fileText(log);
    EXPECT_NE(text.find("PC> 01 00 04 04\nBOX> 06\nBOX> 21 00 04 "), std::string::npos) << text;
    EXPECT_NE(text.find("PC> 06\n"), std::string::npos);
    EXPECT_NE(text.find("PC> 02 00 13 01 14\nBOX> 06\n"), std::string::npos);
    EXPECT_NE(fileText(state).find("update 01"), std::string::npos);
}

TEST(Program, RefusesBadOptionsAndAForeignFileAtTheLinkPath)
{
    const std::vector<std::vector<std::string>> bad{
        {"--fail-page", "0x2000"}, {"--unerased-page", "0x1000"}, {"--noise", "1.5"}, {"--noise", "-1e-5"},
        {"--noise", "1e-5:"},      {"--noise", "1e-5:x"},         {"--noise", "abc"}, {"--flip-read", "1:0x100"},
    };
    for (const auto& args : bad) {
        Program p(args);
        EXPECT_EQ(p.wait(), 2) << args[0] << ' ' << args[1];
    }

    const std::string plain = tempPath("plx71sim_plain_file");
    std::ofstream(plain) << "keep me";
    Program refused({"--link", plain});
    EXPECT_EQ(refused.wait(), 1);
    EXPECT_EQ(fileText(plain), "keep me");
}

} // namespace
} // namespace plx71sim::test
