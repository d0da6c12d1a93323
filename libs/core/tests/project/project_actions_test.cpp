#include "plx71/project/project_actions.hpp"

#include "../job/job_test_support.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace plx71;
using plx71::test::ScratchDir;
using plx71::testing::s2;
using plx71::testing::stateWithTestTable;

namespace {

std::vector<std::uint8_t> readBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path writeProject(const ScratchDir& dir, const std::string& name, const ProjectFile& p)
{
    const auto bytes = encodeProject(p);
    return dir.file(name, std::string(bytes.begin(), bytes.end()));
}

// Everything openProject may change, to check that a refusal changed nothing.
struct Snapshot {
    int deviceIndex;
    DeviceRecord device;
    AreaTables tables;
    RomImages images;
    JobSettings job;

    Snapshot(const PcJobState& s, const JobSettings& j)
        : deviceIndex(s.deviceIndex), device(s.currentDevice), tables(s.areaTables), images(s.images), job(j)
    {}
    bool same(const PcJobState& s, const JobSettings& j) const
    {
        return deviceIndex == s.deviceIndex && device == s.currentDevice && tables == s.areaTables
            && images.user == s.images.user && images.boot == s.images.boot && job == j;
    }
};

// A project naming the table's second device (E0000-FFFFF, blocks 0-4).
ProjectFile projectFor(const PcJobState& state, int index)
{
    ProjectFile p;
    p.deviceIndex = index;
    p.device = state.deviceTable.records[std::size_t(index)];
    return p;
}

} // namespace

TEST(ProjectActions, StartupStateSavesAndOpensAgain)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    const auto path = dir / "startup.pxp";
    ASSERT_TRUE(saveProject(ui, state, job, path));
    const auto bytes = readBytes(path);
    EXPECT_EQ(bytes.size(), 231u);
    EXPECT_EQ(bytes, encodeProject(ProjectFile{}));

    // Its device record has sizes 0; the areas fit, so it opens.
    PcJobState other = stateWithTestTable();
    JobSettings otherJob;
    otherJob.targetBoard = TargetBoard{{1, 2}, {3, 4}, 5, 6, 7};
    ASSERT_TRUE(openProject(ui, other, otherJob, path));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(other.deviceIndex, -1);
    EXPECT_EQ(other.currentDevice, startupDefaultDevice());
    EXPECT_EQ(otherJob.targetBoard, (TargetBoard{{1, 2}, {3, 4}, 5, 6, 7})) << "no device type: the Target Board stays";
    EXPECT_EQ(otherJob.checkIdText, "00,00,00,00,00,00,00");
}

TEST(ProjectActions, SavedJobReopensWithItsDataFiles)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    selectDevice(state, job, 1); // E0000-FFFFF
    const auto userFile = dir.file("user.mot", s2(0xE0000, {0xAB}) + s2(0xFFFDF, {0x42}));
    const auto bootFile = dir.file("boot.btp", s2(0xFE000, {'B', 'V', '1', '.', '0', 0}));
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, userFile));
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::BootRom, bootFile));
    job.updateEnable = 0; // untick after loading
    ASSERT_TRUE(parseCheckId("01,02,03,04,05,06,07", job.idCode));
    job.checkIdText = "01,02,03,04,05,06,07";
    job.serialModeIndex = 1;
    job.targetBaudIndex = 5;
    job.lockBitMode = LockBitMode::Block;
    job.lockBlockList = "0-2,4";
    job.operationBlockMode = OperationBlockMode::Block;
    job.operationBlockList = "0,2-4";
    job.portSelection = 3;
    job.linkRate = LinkRate::Bps38400;
    const auto path = dir / "job.pxp";
    ASSERT_TRUE(saveProject(ui, state, job, path));

    PcJobState fresh = stateWithTestTable();
    fresh.images.user[5] = 0x00; // stale data from an earlier load
    JobSettings reopened;
    ASSERT_TRUE(openProject(ui, fresh, reopened, path));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(fresh.deviceIndex, 1);
    EXPECT_EQ(fresh.currentDevice.name, "M30620FCFP");
    EXPECT_EQ(reopened.targetBoard->userRom, (AreaRange{0xE0000, 0xFFFFF}));
    EXPECT_EQ(reopened.userRomFileName, userFile.string());
    EXPECT_EQ(reopened.bootRomFileName, bootFile.string());
    EXPECT_EQ(reopened.dataIdCode, (IdCode{0x42, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})) << "ID field from the file";
    EXPECT_EQ(reopened.checkIdText, "01,02,03,04,05,06,07") << "Check ID from the project";
    EXPECT_EQ(reopened.idCode, (IdCode{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(reopened.updateEnable, 0) << "Update Enable from the project, not the load";
    EXPECT_EQ(reopened.bootVersionText, "BV1.0");
    EXPECT_EQ(reopened.userRomChecksum, job.userRomChecksum);
    EXPECT_EQ(reopened.bootRomChecksum, job.bootRomChecksum);
    EXPECT_EQ(reopened.romProtectLevel, 0);
    EXPECT_EQ(fresh.images.user[5], 0xFF) << "reloaded onto a blank area";
    EXPECT_EQ(fresh.images.user[0], 0xAB);
    EXPECT_EQ(reopened.lockBlockList, "0-2,4");
    EXPECT_EQ(reopened.operationBlockList, "0,2-4");
    EXPECT_EQ(reopened.serialModeIndex, 1);
    EXPECT_EQ(reopened.targetBaudIndex, 5);
    EXPECT_EQ(reopened.portSelection, 3);
    EXPECT_EQ(reopened.linkRate, LinkRate::Bps38400);
    EXPECT_TRUE(canDownload(fresh, reopened));
    EXPECT_EQ(readBytes(path), encodeProject(projectFromJob(fresh, reopened)));
}

TEST(ProjectActions, MissingDataFileLosesItsName)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    ProjectFile p = projectFor(state, 0);
    p.userRomFileName = (dir / "deleted.hex").string();
    p.bootRomFileName = (dir / "deleted.btp").string();
    p.updateEnable = 1;
    p.idCode = {7, 6, 5, 4, 3, 2, 1};
    p.targetBaudIndex = 2;
    const auto path = writeProject(dir, "p.pxp", p);

    JobSettings job;
    ASSERT_TRUE(openProject(ui, state, job, path));
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{std::string(msg::kFileNotFound), std::string(msg::kFileNotFound)}));
    EXPECT_TRUE(job.userRomFileName.empty());
    EXPECT_TRUE(job.bootRomFileName.empty());
    EXPECT_FALSE(canDownload(state, job)) << "no Download for an image that is not the named file";
    EXPECT_EQ(state.deviceIndex, 0);
    EXPECT_EQ(job.targetBaudIndex, 2);
    EXPECT_EQ(job.updateEnable, 0) << "no Boot ROM update without its file";
    EXPECT_EQ(job.checkIdText, "07,06,05,04,03,02,01");

    // A protected file refused at the question loses its name as well, and
    // so do the texts an earlier file left.
    const auto good = dir.file("good.mot", s2(0xC0000, {0x12}));
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, good));
    ASSERT_TRUE(job.userRomChecksum);
    const auto prot = dir.file("prot.mot", s2(0xFFFFF, {0x3F}));
    p.userRomFileName = prot.string();
    p.bootRomFileName.clear();
    ui.clear();
    ui.scriptAnswers({false});
    ASSERT_TRUE(openProject(ui, state, job, writeProject(dir, "q.pxp", p)));
    EXPECT_TRUE(job.userRomFileName.empty());
    EXPECT_EQ(job.dataIdCode, std::nullopt);
    EXPECT_EQ(job.romProtectLevel, std::nullopt);
    EXPECT_EQ(job.userRomChecksum, std::nullopt);
}

TEST(ProjectActions, DeviceIsMatchedByName)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;

    // Written with another table: index 0 now holds another device; the name wins.
    ProjectFile renamed = projectFor(state, 2);
    renamed.deviceIndex = 0;
    ASSERT_TRUE(openProject(ui, state, job, writeProject(dir, "renamed.pxp", renamed)));
    EXPECT_EQ(state.deviceIndex, 2);
    EXPECT_EQ(state.currentDevice.name, "M30803FGFP");
    EXPECT_EQ(state.areaTables, areaTablesFor(state.currentDevice));

    // An index past the table, with a name it knows.
    ProjectFile past = projectFor(state, 4);
    past.deviceIndex = 40;
    ASSERT_TRUE(openProject(ui, state, job, writeProject(dir, "past.pxp", past)));
    EXPECT_EQ(state.deviceIndex, 4);

    // No device type: the file's own record (a 24-bit one) becomes current,
    // with its own area tables.
    ProjectFile none = projectFor(state, 2);
    none.deviceIndex = -1;
    none.device.name = "M30809XXFP";
    ASSERT_TRUE(openProject(ui, state, job, writeProject(dir, "none.pxp", none)));
    EXPECT_EQ(state.deviceIndex, -1);
    EXPECT_EQ(state.currentDevice, none.device);
    EXPECT_EQ(state.areaTables.bootVersionAddress, 0xFFE000u);
    EXPECT_TRUE(ui.messages().empty());
}

TEST(ProjectActions, UnsoundProjectsChangeNothing)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    selectDevice(state, job, 1);
    ASSERT_TRUE(loadAreaFile(ui, state, job, Area::UserRom, dir.file("u.mot", s2(0xE0000, {1}))));
    const Snapshot before(state, job);

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    auto add = [&](const std::string& what, ProjectFile p) { files.push_back({what, encodeProject(p)}); };
    const ProjectFile base = projectFor(state, 0);
    {
        ProjectFile p = base;
        p.device.userRomEnd = p.device.userRomStart - 1;
        add("User ROM end below start", p);
        p = base;
        p.device.userRomStart = 0xBFFFF;
        add("User ROM longer than its image", p);
        p = base;
        p.device.bootRomStart = 0xFDFFF;
        add("Boot ROM longer than its image", p);
        p = base;
        p.device.lastBlock = 7;
        add("last block above 6", p);
        p = base;
        p.deviceIndex = 1;
        p.device.name = "M30999UNKNOWN";
        add("device type not in the table", p);
        p.deviceIndex = 99;
        add("index past the table, name unknown", p);
        p.deviceIndex = -2;
        p.device.name = base.device.name;
        add("negative index other than -1", p);
        p = base;
        p.targetBaudIndex = 10;
        add("target baud rate out of its list", p);
        p = base;
        p.hostBaudSelection = -1;
        add("host baud rate out of its list", p);
        p = base;
        p.lockBitMode = 4;
        add("lock-bit mode unknown", p);
    }
    const auto good = encodeProject(base);
    for (std::size_t n : {0ul, 31ul, 32ul, 100ul, 195ul, 230ul})
        files.push_back(
            {"truncated to " + std::to_string(n), std::vector<std::uint8_t>(good.begin(), good.begin() + long(n))});
    auto header = good;
    header[31] = 0;
    files.push_back({"last header blank", header});
    auto huge = good;
    huge[192] = huge[193] = huge[194] = huge[195] = 0xFF;
    files.push_back({"huge text length", huge});
    files.push_back({"huge file", std::vector<std::uint8_t>(1 << 20, 'P')});

    int i = 0;
    for (const auto& [what, bytes] : files) {
        const auto path = dir.file("bad" + std::to_string(i++) + ".pxp", std::string(bytes.begin(), bytes.end()));
        ui.clear();
        EXPECT_FALSE(openProject(ui, state, job, path)) << what;
        EXPECT_EQ(ui.messages(), (std::vector<RecordedMessage>{{Icon::Stop, "File format error", false}})) << what;
        EXPECT_TRUE(before.same(state, job)) << what;
    }

    ui.clear();
    const auto missing = dir / "nothing.pxp";
    EXPECT_FALSE(openProject(ui, state, job, missing));
    EXPECT_EQ(ui.messages(), (std::vector<RecordedMessage>{{Icon::Stop, missing.string() + " was not found.", false}}));
    ui.clear();
    EXPECT_FALSE(openProject(ui, state, job, dir / "."));
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].icon, Icon::Stop);
    EXPECT_TRUE(before.same(state, job));
}

TEST(ProjectActions, SaveFailuresAreReported)
{
    ScratchDir dir;
    RecordingUi ui;
    PcJobState state = stateWithTestTable();
    JobSettings job;
    const auto noFolder = dir / "no-such-folder" / "p.pxp";
    EXPECT_FALSE(saveProject(ui, state, job, noFolder));
    EXPECT_EQ(ui.messages(),
              (std::vector<RecordedMessage>{{Icon::Stop, msg::cannotWriteFile(noFolder.string()), false}}));
    EXPECT_FALSE(std::filesystem::exists(noFolder));

    ui.clear();
    EXPECT_FALSE(saveProject(ui, state, job, dir / "."));
    EXPECT_EQ(ui.messages().size(), 1u);

    // A name the file could not give back is refused before anything is written.
    ui.clear();
    job.userRomFileName = "/" + std::string(300, 'x') + ".hex";
    const auto path = dir / "long.pxp";
    EXPECT_FALSE(saveProject(ui, state, job, path));
    EXPECT_EQ(ui.texts(), std::vector<std::string>{msg::fileNameTooLong(job.userRomFileName)});
    EXPECT_FALSE(std::filesystem::exists(path));
}
