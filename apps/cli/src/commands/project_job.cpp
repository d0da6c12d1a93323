#include "commands/project_job.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_job.hpp"
#include "plx71/job/load_area_file.hpp"

#include <cstdio>

namespace plx71::cli {

std::variant<PreparedJob, ProjectRefusal> openProjectJob(const CliContext& ctx, CliUi& ui, const std::string& command,
                                                         const std::string& projectPath)
{
    DeviceTable table;
    if (!loadTable(ctx, ui, table)) {
        ProjectRefusal refusal;
        refusal.facts.command = command;
        refusal.facts.files.push_back(fileFact("project", projectPath));
        return refusal;
    }
    auto opened = openPreparedJob(table, projectPath, command, protectDecision(ui, ProtectedProgram::Ask));
    const auto* refusal = std::get_if<ProjectRefusal>(&opened);
    if (refusal && refusal->project)
        reportProblem(ui, *refusal->project);
    for (const DataFileProblem& problem :
         refusal ? refusal->dataFileProblems : std::get<PreparedJob>(opened).dataFileProblems)
        reportProblem(ui, problem);
    if (refusal && refusal->unsendable)
        std::fprintf(stderr, "%s\n", unsendableText(*refusal->unsendable, projectPath, Wording::Terminal).c_str());
    return opened;
}

int runProjectJob(CliContext& ctx, CliUi& ui, std::string_view command, const std::string& project,
                  const LinkOptions& link, const ProjectOperation& operation)
{
    auto opened = openProjectJob(ctx, ui, std::string(command), project);
    if (const auto* refusal = std::get_if<ProjectRefusal>(&opened))
        return finishJob(ctx, ui, refused(OutcomeClass::FileError, project), refusal->facts, link.productionRecordPath);
    PreparedJob& p = std::get<PreparedJob>(opened);
    // One job for every box: read only.
    const PreparedJob& shared = p;
    return runLinkJob(ctx, ui, link, p.job, p.facts,
                      [&shared, &operation](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          return operation(session, target, shared, sink);
                      });
}

} // namespace plx71::cli
