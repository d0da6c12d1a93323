// User files: a FIFO or device is never waited on, a failed write never costs
// the old file, and a project finds its data files beside itself.
#include "plx71/project/project_actions.hpp"

#include "../job/job_test_support.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <iterator>

// FIFOs and a file-size limit are tried where the system has them.
#ifndef _WIN32
#include "../files/file_size_limit.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace plx71;
using namespace std::chrono_literals;
using plx71::test::ScratchDir;
using plx71::testing::s2;
using plx71::testing::stateWithTestTable;
namespace fs = std::filesystem;

namespace {

[[maybe_unused]] std::string text(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

[[maybe_unused]] std::size_t fileCount(const fs::path& dir)
{
    return std::size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

fs::path writeProject(const ScratchDir& dir, const std::string& name, const ProjectFile& p)
{
    const auto bytes = encodeProject(p);
    return dir.file(name, std::string(bytes.begin(), bytes.end()));
}

} // namespace

#ifndef _WIN32
TEST(FileSafety, AFifoIsRefusedWithoutWaiting)
{
    ScratchDir dir;
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ProjectFile naming;
    naming.deviceIndex = 0;
    naming.device = stateWithTestTable().deviceTable.records[0];
    naming.userRomFileName = fifo.string();
    const fs::path projectNamingFifo = writeProject(dir, "names-fifo.pxp", naming);

    struct Case {
        const char* name;
        std::function<bool(Ui&, PcJobState&, JobSettings&)> read; // true: read as a sound file
        bool result;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"device table", [&](Ui&, PcJobState&, JobSettings&) { return loadDeviceTable(fifo).has_value(); }, false, {}},
        {"data file",
         [&](Ui& ui, PcJobState& s, JobSettings& j) { return loadAreaFile(ui, s, j, Area::UserRom, fifo); },
         false,
         {std::string(msg::kFileNotFound)}},
        {"project",
         [&](Ui& ui, PcJobState& s, JobSettings& j) { return openProject(ui, s, j, fifo); },
         false,
         {fifo.string() + " was not found."}},
        {"name inside a project",
         [&](Ui& ui, PcJobState& s, JobSettings& j) { return openProject(ui, s, j, projectNamingFifo); },
         true,
         {std::string(msg::kFileNotFound)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingUi ui;
        PcJobState state = stateWithTestTable();
        JobSettings job;
        selectDevice(state, job, 0);
        auto reading = std::async(std::launch::async, [&] { return c.read(ui, state, job); });
        if (reading.wait_for(5s) != std::future_status::ready) {
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); // gives the reader its end
            reading.wait();
            ::close(writer);
            FAIL() << "the read waited on the FIFO";
        }
        EXPECT_EQ(reading.get(), c.result);
        EXPECT_EQ(ui.texts(), c.messages);
        EXPECT_EQ(job.userRomFileName, "");
    }
}

TEST(FileSafety, AFullDiskKeepsTheOldFile)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    selectDevice(state, job, 0);
    job.operationBlockList = std::string(200, '1'); // a project of over 400 bytes
    const auto project = dir.file("job.pxp", "the old project");
    const auto data = dir.file("data.hex", "the old data");
    const auto& user = state.images.user;
    const SaveRequest request{user, 0xC0000, 0xFFFFF, 0, {}};
    {
        plx71::testing::FileSizeLimit full(100);
        EXPECT_FALSE(saveProject(ui, state, job, project));
        EXPECT_FALSE(saveDataFile(ui, data, request));
    }
    EXPECT_EQ(ui.texts(),
              (std::vector<std::string>{msg::cannotWriteFile(project.string()), msg::cannotWriteFile(data.string())}));
    EXPECT_EQ(text(project), "the old project");
    EXPECT_EQ(text(data), "the old data");
    EXPECT_EQ(fileCount(dir / ""), 2u) << "no temporary file left";

    // With room on the disk both are replaced whole.
    ui.clear();
    EXPECT_TRUE(saveProject(ui, state, job, project));
    EXPECT_TRUE(saveDataFile(ui, data, request));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(text(project).size(), kProjectFixedSize + 200);
    EXPECT_EQ(text(data).substr(text(data).size() - 13), ":00000001FF\r\n");
    EXPECT_EQ(fileCount(dir / ""), 2u);
}

#endif

TEST(FileSafety, RelativeNamesAreFoundBesideTheProjectFirst)
{
    ScratchDir dir;
    fs::create_directories(dir / "proj" / "data");
    fs::create_directories(dir / "cwd");
    dir.file("proj/data/user.mot", s2(0xC0000, {0x11}));
    dir.file("cwd/user.mot", s2(0xC0000, {0x22}));      // only in the current folder
    dir.file("cwd/data/user.mot", s2(0xC0000, {0x33})); // in both: the project's wins
    const auto absolute = dir.file("abs.mot", s2(0xC0000, {0x44}));
    struct Case {
        std::string stored;
        std::string expectedName; // relative to the current folder
        std::uint8_t firstByte;
    };
    const fs::path projectFolder = fs::path("..") / "proj";
    const Case cases[] = {
        {"data/user.mot", (projectFolder / "data/user.mot").string(), 0x11},
        {"user.mot", "user.mot", 0x22},
        {absolute.string(), absolute.string(), 0x44},
    };
    const auto oldCwd = fs::current_path();
    fs::current_path(dir / "cwd");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        RecordingUi ui;
        PcJobState state = stateWithTestTable();
        JobSettings job;
        ProjectFile p;
        p.deviceIndex = 0;
        p.device = state.deviceTable.records[0];
        p.userRomFileName = c.stored;
        writeProject(dir, "proj/job.pxp", p);
        EXPECT_TRUE(openProject(ui, state, job, projectFolder / "job.pxp"));
        EXPECT_TRUE(ui.messages().empty()) << ui.texts().front();
        EXPECT_EQ(job.userRomFileName, c.expectedName);
        EXPECT_EQ(state.images.user[0], c.firstByte);
    }
    fs::current_path(oldCwd);
}
