#include "plx71/prepared_job/prepared_job.hpp"

#include "../job/job_test_support.hpp"
#include "plx71/project/project_file.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

using test::ScratchDir;

// What a project gives at the door: a job every box is sent as it is, or a
// refusal that says why, with the facts the record keeps of it.
TEST(PreparedJob, OpensARefusesAndStatesTheJob)
{
    ScratchDir dir;
    const DeviceTable table = testing::stateWithTestTable().deviceTable;
    dir.file("user.mot", testing::s2(0xC0000, {1, 2}) + testing::s2(0xFFFFF, {0x3F}));
    const auto project = [&](const std::string& name, int deviceIndex, const std::string& user) {
        ProjectFile p;
        p.deviceIndex = deviceIndex;
        p.device = table.records[0];
        p.userRomFileName = user;
        p.operationBlockMode = 1;
        p.operationBlockList = "0,2-4";
        const auto bytes = encodeProject(p);
        return dir.file(name, std::string(bytes.begin(), bytes.end())).string();
    };
    struct Case {
        std::string path;
        bool take; // the protect decision
        std::optional<Unsendable> unsendable;
        std::vector<DataFileRule> problems;
        std::size_t files; // the facts' files: the project first
    };
    const Case cases[] = {
        {project("ok.pxp", 0, "user.mot"), true, std::nullopt, {}, 2},
        {project("nodevice.pxp", -1, "user.mot"), true, Unsendable::NoDeviceType, {}, 2},
        {project("declined.pxp", 0, "user.mot"),
         false,
         Unsendable::NoUserRomData,
         {DataFileRule::ProtectedDeclined},
         1},
        {project("gone.pxp", 0, "gone.mot"), true, Unsendable::NoUserRomData, {DataFileRule::CannotRead}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        int asked = 0;
        auto opened = openPreparedJob(table, c.path, "verify", [&](int level) {
            asked += level;
            return c.take;
        });
        const auto* refusal = std::get_if<ProjectRefusal>(&opened);
        const auto* job = std::get_if<PreparedJob>(&opened);
        const JobFacts& facts = job ? job->facts : refusal->facts;
        const auto& problems = job ? job->dataFileProblems : refusal->dataFileProblems;
        EXPECT_EQ(refusal ? refusal->unsendable : std::nullopt, c.unsendable);
        std::vector<DataFileRule> rules;
        for (const DataFileProblem& p : problems)
            rules.push_back(p.rule);
        EXPECT_EQ(rules, c.problems);
        EXPECT_EQ(asked, c.path.find("gone") == std::string::npos ? 1 : 0);
        EXPECT_EQ(facts.command, "verify");
        ASSERT_EQ(facts.files.size(), c.files);
        EXPECT_EQ(facts.files[0].role, "project");
        EXPECT_EQ(facts.files[0].sha256.size(), 64u);
        EXPECT_EQ(facts.operationBlockMask, std::optional<std::uint8_t>(0x1D));
        if (job) {
            EXPECT_TRUE(job->box.sendable);
            EXPECT_EQ(job->box.operationBlockMask, 0x1D);
            EXPECT_EQ(job->box.pages.front().address, 0xE0000u); // blocks 6 and 5 skipped: 4, 3, 2 and 0 sent
            EXPECT_EQ(job->box.pages.size(), std::size_t(0x1E000 / 256));
        }
    }
    // A file that is no project: only the project's own fact is kept.
    auto garbage = openPreparedJob(table, dir.file("garbage.pxp", "no project").string(), "download", {});
    const auto& refusal = std::get<ProjectRefusal>(garbage);
    EXPECT_EQ(refusal.project, (ProjectProblem{ProjectRule::NotAProject, (dir / "garbage.pxp").string()}));
    EXPECT_EQ(refusal.facts.files.size(), 1u);
    EXPECT_TRUE(refusal.facts.device.empty());
}

} // namespace
} // namespace plx71
