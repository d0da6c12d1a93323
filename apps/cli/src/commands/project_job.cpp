#include "commands/project_job.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_job.hpp"
#include "plx71/job/load_area_file.hpp"

#include "plx71/line/releases.hpp"
#include "plx71/line/shipper.hpp"
#include "plx71/text/json_writer.hpp"

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

namespace {

// --require-release: the line server is asked before any port is opened. A
// job refused here reached no box and leaves no record line, as a job whose
// record file cannot be written.
bool jobReleased(CliContext& ctx, const LinkOptions& link, const std::string& digest, const std::string& project)
{
    line::LineCall call;
    call.url = *line::parseLineUrl(link.lineUrl); // checked by the option
    call.token = line::readTokenFile(link.lineTokenPath);
    line::ReleaseResult r;
    if (call.token.empty())
        r = {line::ReleaseAnswer::Other, 0, "no token in " + link.lineTokenPath};
    else
        r = line::askRelease(*line::systemHttpClient(), call, digest);
    if (r.answer == line::ReleaseAnswer::Released)
        return true;
    std::fprintf(stderr, "%s\n", line::notReleasedText(digest, project).c_str());
    if (r.answer != line::ReleaseAnswer::NotReleased)
        std::fprintf(stderr, "the line server could not be asked: %s\n", r.cause.c_str());
    ctx.jobEnded = true;
    if (ctx.json)
        ctx.jsonResult = JsonObject()
                             .string("command", ctx.command)
                             .number("exitCode", kExitBoxRefused)
                             .string("jobDigest", digest)
                             .boolean("released", false)
                             .string("cause", r.answer == line::ReleaseAnswer::NotReleased ? "not released" : r.cause)
                             .text();
    return false;
}

} // namespace

int runProjectJob(CliContext& ctx, CliUi& ui, std::string_view command, const std::string& project,
                  const LinkOptions& link, const ProjectOperation& operation)
{
    auto opened = openProjectJob(ctx, ui, std::string(command), project);
    if (const auto* refusal = std::get_if<ProjectRefusal>(&opened))
        return finishJob(ctx, ui, refused(OutcomeClass::FileError, project), refusal->facts, link);
    PreparedJob& p = std::get<PreparedJob>(opened);
    if (link.requireRelease && !jobReleased(ctx, link, p.facts.jobDigest, project))
        return kExitBoxRefused;
    // One job for every box: read only.
    const PreparedJob& shared = p;
    return runLinkJob(ctx, ui, link, p.job, p.facts,
                      [&shared, &operation](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          return operation(session, target, shared, sink);
                      });
}

} // namespace plx71::cli
