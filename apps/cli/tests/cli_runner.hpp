#pragma once
// Runs the plx71 binary and captures its exit code, stdout and stderr.
#include "plx71/testing/scratch_dir.hpp"
#include "plx71/testing/shell_quote.hpp"

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace plx71::cli::test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

using plx71::test::readText;
using plx71::test::ScratchDir;
using plx71::test::shellQuote;
using plx71::test::writeText;

// `args` is appended to the command line as it stands (quote paths yourself).
inline CliResult runCli(const std::string& args, const ScratchDir& dir)
{
    const auto out = dir / "stdout.txt";
    const auto err = dir / "stderr.txt";
    const std::string cmd = "cd " + shellQuote(dir.path().string()) + " && " + shellQuote(PLX71_CLI_PATH) + " " + args
        + " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) + " </dev/null";
    int status = std::system(cmd.c_str());
    CliResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readText(out);
    r.err = readText(err);
    return r;
}

} // namespace plx71::cli::test
