// plx71 copied into an install tree finds the table in <prefix>/share/plx71,
// whatever the current directory, and a table beside it still comes first.
#include "cli_runner.hpp"

#include <gtest/gtest.h>

using namespace plx71::cli::test;
namespace fs = std::filesystem;

namespace {

CliResult runInstalled(const fs::path& program, const std::string& args, const ScratchDir& cwd)
{
    const auto out = cwd / "stdout.txt";
    const auto err = cwd / "stderr.txt";
    const std::string cmd = "cd " + shellQuote(cwd.path().string()) + " && " + shellQuote(program.string()) + " " + args
        + " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) + " </dev/null";
    const int status = std::system(cmd.c_str());
    CliResult r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readText(out);
    r.err = readText(err);
    return r;
}

} // namespace

TEST(CliInstallLayout, ReadsTheInstalledTableUnlessOneLiesBesideTheProgram)
{
    ScratchDir prefix;
    ScratchDir elsewhere;
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "plx71");
    const fs::path program = prefix / "bin" / "plx71";
    fs::copy_file(PLX71_CLI_PATH, program);

    auto r = runInstalled(program, "devices", elsewhere);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err,
              "Device definition file 'plx71typ.tbl' not found\n" + (prefix / "bin" / "plx71typ.tbl").string()
                  + ": missing, unreadable or without a usable record\n");

    writeText(prefix / "share" / "plx71" / "plx71typ.tbl", "SHARED,FE000,2000,C0000,40000,6,5.0V,5.0V\n");
    r = runInstalled(program, "devices", elsewhere);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "SHARED\t0C0000-0FFFFF\t0FE000-0FFFFF\t0-6\t5.0V\t5.0V\n");

    writeText(prefix / "bin" / "plx71typ.tbl", "BESIDE,FE000,2000,E0000,20000,4,5.0V,5.0V\n");
    r = runInstalled(program, "devices", elsewhere);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "BESIDE\t0E0000-0FFFFF\t0FE000-0FFFFF\t0-4\t5.0V\t5.0V\n");
}
