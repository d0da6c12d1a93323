#include "commands/project_job.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_job.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/text/utf8_path.hpp"

#include <cstdio>

namespace plx71::cli {

void openProjectJob(const CliContext& ctx, CliUi& ui, const std::string& command, const std::string& projectPath,
                    ProjectJob& p)
{
    p.facts.command = command;
    p.facts.files.push_back(fileFact("project", projectPath));
    if (!loadTable(ctx, ui, p.state) || !openProject(ui, p.state, p.job, pathFromUtf8(projectPath))) {
        p.refusal = refused(OutcomeClass::FileError, projectPath);
        return;
    }
    const std::string projectHash = p.facts.files.front().sha256;
    p.box = boxJobOf(p.state, p.job);
    p.facts = jobFactsOf(command, p.box);
    p.facts.files.push_back(FileFact{"project", projectPath, projectHash});
    if (!p.job.userRomFileName.empty())
        p.facts.files.push_back(fileFact("userRom", p.job.userRomFileName));
    if (!p.job.bootRomFileName.empty())
        p.facts.files.push_back(fileFact("bootRom", p.job.bootRomFileName));
    if (p.state.deviceIndex < 0) {
        std::fprintf(stderr, "%s: no device type selected; nothing sent\n", projectPath.c_str());
        p.refusal = refused(OutcomeClass::FileError, projectPath);
    } else if (!canDownload(p.state, p.job)) {
        std::fprintf(stderr, "%s: no User ROM data loaded; nothing sent\n", projectPath.c_str());
        p.refusal = refused(OutcomeClass::FileError, projectPath);
    }
}

int runProjectJob(CliContext& ctx, CliUi& ui, std::string_view command, const std::string& project,
                  const LinkOptions& link, const ProjectOperation& operation)
{
    ProjectJob p;
    openProjectJob(ctx, ui, std::string(command), project, p);
    if (p.refusal)
        return finishJob(ctx, ui, *p.refusal, p.facts, link.productionRecordPath);
    // One project for every box: the images are shared, read only.
    const ProjectJob& shared = p;
    return runLinkJob(ctx, ui, link, p.job, p.facts,
                      [&shared, &operation](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          return operation(session, target, shared, sink);
                      });
}

} // namespace plx71::cli
