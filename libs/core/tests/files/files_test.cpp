#include "plx71/files/file_replace.hpp"
#include "plx71/files/regular_file.hpp"
#include "plx71/testing/scratch_dir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

// FIFOs, device files, permission bits, a file-size limit and symbolic links
// are tried where the system has them.
#ifndef _WIN32
#include "file_size_limit.hpp"

#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace plx71;
namespace fs = std::filesystem;

namespace {

class Files : public ::testing::Test {
protected:
    fs::path file(const std::string& name, const std::string& text) const { return dir.file(name, text); }
    std::string text(const fs::path& p) const { return test::readText(p); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    test::ScratchDir dir;
};

} // namespace

// (A FIFO, which would block a plain open, is tried with a deadline by the
// readers' own tests.)
TEST_F(Files, OnlyRegularFilesAreRead)
{
    const auto small = file("small.txt", "0123456789");
    const std::pair<fs::path, FileStatus> cases[] = {
        {small, FileStatus::Ok},
        {dir / "missing.txt", FileStatus::NotFound},
        {dir / "missing" / "below.txt", FileStatus::NotFound},
        {dir.path(), FileStatus::NotRegular},
#ifndef _WIN32
        {"/dev/null", FileStatus::NotRegular},
#endif
    };
    for (const auto& [path, status] : cases) {
        const FileRead r = readRegularFile(path, 100);
        EXPECT_EQ(r.status, status) << path;
        EXPECT_EQ(r.bytes, status == FileStatus::Ok ? "0123456789" : "") << path;
    }
    // The limit: exactly that much is whole, one byte more is cut.
    EXPECT_FALSE(readRegularFile(small, 10).truncated);
    const FileRead cut = readRegularFile(small, 9);
    EXPECT_TRUE(cut.truncated);
    EXPECT_EQ(cut.bytes, "012345678");
}

// The reader sizes its buffer from the file's size once; whatever the size
// said, the bytes read are the file's, up to the limit.
TEST_F(Files, ReadsWholeFilesOfAnySizeUpToTheLimit)
{
    std::string big(200000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 997)
        big[i] = static_cast<char>('a' + i % 26);
    const auto empty = file("empty.txt", "");
    const auto large = file("large.txt", big);
    const struct {
        fs::path path;
        std::size_t limit;
        std::string bytes;
        bool truncated;
    } cases[] = {
        {empty, 0, "", false},
        {empty, 10, "", false},
        {large, big.size(), big, false},
        {large, big.size() - 1, big.substr(0, big.size() - 1), true},
        {large, 70000, big.substr(0, 70000), true},
    };
    for (const auto& c : cases) {
        const FileRead r = readRegularFile(c.path, c.limit);
        EXPECT_EQ(r.status, FileStatus::Ok) << c.path << " " << c.limit;
        EXPECT_TRUE(r.bytes == c.bytes) << c.path << " " << c.limit << ": " << r.bytes.size() << " bytes";
        EXPECT_EQ(r.truncated, c.truncated) << c.path << " " << c.limit;
    }
#ifdef __linux__
    // A file that says it holds nothing but does: read to its end all the same.
    const FileRead proc = readRegularFile("/proc/self/status", 1 << 20);
    EXPECT_EQ(proc.status, FileStatus::Ok);
    EXPECT_NE(proc.bytes.find("Name:"), std::string::npos);
#endif
}

TEST_F(Files, AFailedReplaceLeavesTheOldFileAndNoTemporary)
{
    const auto target = file("data.hex", "old text\n");
#ifndef _WIN32
    ::chmod(target.c_str(), 0640);
#endif
    for (WriteStep step : {WriteStep::Create, WriteStep::Write, WriteStep::Sync, WriteStep::Rename}) {
        SCOPED_TRACE(int(step));
        EXPECT_FALSE(replaceFileFailingAt(target, "new text\n", step));
        EXPECT_EQ(text(target), "old text\n");
        EXPECT_EQ(names(), std::vector<std::string>{"data.hex"});
    }
#ifndef _WIN32
    {
        // A real write error: the disk "fills" after 4 bytes.
        plx71::testing::FileSizeLimit full(4);
        EXPECT_FALSE(replaceFile(target, std::string(10000, 'x')));
    }
    EXPECT_EQ(text(target), "old text\n");
    EXPECT_EQ(names(), std::vector<std::string>{"data.hex"});
#endif

    // Success replaces the text and keeps the permission bits.
    ASSERT_TRUE(replaceFile(target, "new text\n"));
    EXPECT_EQ(text(target), "new text\n");
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
    EXPECT_EQ(names(), std::vector<std::string>{"data.hex"});
}

#ifndef _WIN32
TEST_F(Files, ReplaceRefusesWhatIsNotAFileAndFollowsLinks)
{
    const auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    // Nothing that is not a regular file is replaced (nor waited on).
    for (const fs::path& p : {fifo, dir / "folder", dir / "missing" / "x.hex", fs::path("/dev/null")}) {
        SCOPED_TRACE(p.string());
        EXPECT_FALSE(replaceFile(p, "text"));
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const auto real = file("real.mot", "old");
    fs::create_symlink("real.mot", dir / "link.mot");
    ASSERT_TRUE(replaceFile(dir / "link.mot", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.mot"));
    EXPECT_EQ(text(real), "new");

    // A new file in the current folder, named without a folder.
    const auto cwd = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_TRUE(replaceFile("plain.txt", "plain"));
    fs::current_path(cwd);
    EXPECT_EQ(text(dir / "plain.txt"), "plain");
}
#endif
