#pragma once
// Runs the plx71 binary and captures its exit code, stdout and stderr.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace plx71::cli::test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string readAll(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeAll(const std::filesystem::path& p, const std::string& text)
{
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// A scratch folder per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        char tmpl[] = "/tmp/plx71-cli-XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string shellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// `args` is appended to the command line as it stands (quote paths yourself).
inline CliResult runCli(const std::string& args, const ScratchDir& dir)
{
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    const std::string cmd = "cd " + shellQuote(dir.path().string()) + " && " + shellQuote(PLX71_CLI_PATH) + " " +
                            args + " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) + " </dev/null";
    int status = std::system(cmd.c_str());
    CliResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readAll(out);
    r.err = readAll(err);
    return r;
}

} // namespace plx71::cli::test
