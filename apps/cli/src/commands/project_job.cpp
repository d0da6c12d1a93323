#include "commands/project_job.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_job.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/text/utf8_path.hpp"

#include "plx71/line/releases.hpp"
#include "plx71/line/shipper.hpp"
#include "plx71/text/json_writer.hpp"

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
    p.facts = jobFactsOf(command, p.state, p.job);
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
        r = line::ReleaseCheck(call).ask(digest);
    if (r.answer == line::ReleaseAnswer::Released)
        return true;
    std::fprintf(stderr, "job not released for this line: %s (ask your line engineer to release %s)\n",
                 digest.substr(0, 12).c_str(), project.c_str());
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
    ProjectJob p;
    openProjectJob(ctx, ui, std::string(command), project, p);
    if (p.refusal)
        return finishJob(ctx, ui, *p.refusal, p.facts, link);
    if (link.requireRelease && !jobReleased(ctx, link, p.facts.jobDigest, project))
        return kExitBoxRefused;
    // One project for every box: the images are shared, read only.
    const ProjectJob& shared = p;
    return runLinkJob(ctx, ui, link, p.job, p.facts,
                      [&shared, &operation](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          return operation(session, target, shared, sink);
                      });
}

} // namespace plx71::cli
