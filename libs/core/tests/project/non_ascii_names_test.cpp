// File names outside ASCII: they travel as UTF-8 through the job and the
// project file and name the same file on disk again, on every system.
#include "plx71/project/project_actions.hpp"

#include "../job/job_test_support.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/text/utf8_path.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace plx71;
using plx71::test::ScratchDir;
using plx71::testing::stateWithTestTable;

namespace {

// "Prüfling_µC.hex" in a folder "Größe", "Projekt_µC.pxp", as UTF-8 bytes.
const std::string kFolder = "Gr\xC3\xB6\xC3\x9F"
                            "e";
const std::string kDataName = "Pr\xC3\xBC"
                              "fling_\xC2\xB5"
                              "C.hex";
const std::string kProjectName = "Projekt_\xC2\xB5"
                                 "C.pxp";

std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(utf8FromPath(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

bool contains(const std::filesystem::path& file, const std::string& bytes)
{
    std::ifstream in(file, std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return all.find(bytes) != std::string::npos;
}

} // namespace

TEST(NonAsciiNames, DataFileAndProjectSaveAndOpenUnderTheirNames)
{
    ScratchDir dir;
    const std::filesystem::path folder = dir.path() / pathFromUtf8(kFolder);
    std::filesystem::create_directories(folder);
    const std::string dataText = utf8FromPath(folder / pathFromUtf8(kDataName));
    const std::string projectText = utf8FromPath(folder / pathFromUtf8(kProjectName));

    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    selectDevice(state, job, 0);
    const AreaRange range = state.range(Area::UserRom);
    std::vector<std::uint8_t> image = blankImage(Area::UserRom);
    for (std::size_t i = 0; i < 64; ++i)
        image[i] = std::uint8_t(i * 7 + 1); // the first bytes of the area
    SaveRequest request;
    request.data = image;
    request.areaStart = range.start;
    request.areaEnd = range.end;
    request.ranges = {{range.start, range.start + 63}};
    ASSERT_TRUE(saveDataFile(ui, pathFromUtf8(dataText), request));
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{kDataName});

    // Loading names the file in the job exactly as it was asked for.
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, pathFromUtf8(dataText)));
    EXPECT_EQ(job.userRomFileName, dataText);
    EXPECT_EQ(state.images.user, image);

    // The project keeps the name's bytes and opens the same file again.
    ASSERT_TRUE(saveProject(ui, state, job, pathFromUtf8(projectText)));
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{kProjectName, kDataName})); // in byte order
    EXPECT_TRUE(contains(pathFromUtf8(projectText), dataText));
    PcJobState opened = stateWithTestTable();
    JobSettings openedJob;
    ASSERT_TRUE(openProject(ui, opened, openedJob, pathFromUtf8(projectText)));
    EXPECT_EQ(openedJob.userRomFileName, dataText);
    EXPECT_EQ(opened.images.user, image);
    EXPECT_TRUE(ui.messages().empty());
}

TEST(NonAsciiNames, AnOlderProjectsEightBitNameStillOpensItsFile)
{
    // "Prüfling.mot" as an older project stores it: one byte per character,
    // in the ANSI code page 1252 on Windows, the file system's bytes elsewhere.
    const std::string storedName = "Pr\xFC"
                                   "fling.mot";
    ScratchDir dir;
#ifdef _WIN32
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the stored name is a code page 1252 name";
    const std::filesystem::path onDisk = dir.path()
        / L"Pr\u00FC"
          L"fling.mot";
#else
    const std::filesystem::path onDisk = dir.path() / storedName;
#endif
    std::ofstream(onDisk, std::ios::binary) << plx71::testing::s2(0xC0000, {0x12, 0x34});

    PcJobState state = stateWithTestTable();
    ProjectFile project;
    project.deviceIndex = 0;
    project.device = state.deviceTable.records[0];
    project.userRomFileName = utf8FromPath(dir.path()) + "/" + storedName;
    const auto bytes = encodeProject(project);
    const std::filesystem::path projectPath = dir / "older.pxp";
    std::ofstream(projectPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    RecordingUi ui;
    JobSettings job;
    ASSERT_TRUE(openProject(ui, state, job, projectPath));
    EXPECT_TRUE(ui.messages().empty());
    // The name now held is the operating system's for that file (UTF-8 on Windows).
    EXPECT_EQ(pathFromUtf8(job.userRomFileName).filename(), onDisk.filename());
#ifdef _WIN32
    EXPECT_TRUE(isValidUtf8(job.userRomFileName));
#endif
    EXPECT_EQ(state.images.user[0], 0x12);
    EXPECT_EQ(state.images.user[1], 0x34);
}
