#include "commands/release_command.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_options.hpp"
#include "commands/project_job.hpp"
#include "plx71/line/releases.hpp"
#include "plx71/line/shipper.hpp"

#include <cstdio>

namespace plx71::cli {

namespace {

// What the server's answer means to the engineer; exit 1 for every refusal
// (the message says which), 0 for a release or revoke done.
int reportFailure(const line::ReleaseResult& r, const std::string& url, const std::string& tokenPath,
                  const std::string& digest)
{
    switch (r.answer) {
    case line::ReleaseAnswer::Released:
        return kExitOk;
    case line::ReleaseAnswer::NotReleased:
        std::fprintf(stderr, "release: %s is not released\n", digest.c_str());
        break;
    case line::ReleaseAnswer::Token:
        std::fprintf(stderr, "release: refused (token): the line server does not know the token in %s\n",
                     tokenPath.c_str());
        break;
    case line::ReleaseAnswer::Role:
        std::fprintf(stderr, "release: the token in %s may not release jobs (it needs the engineer role)\n",
                     tokenPath.c_str());
        break;
    case line::ReleaseAnswer::Unreachable:
        std::fprintf(stderr, "release: line server not reachable at %s (%s)\n", url.c_str(), r.cause.c_str());
        break;
    case line::ReleaseAnswer::Other:
        std::fprintf(stderr, "release: %s\n", r.cause.c_str());
        break;
    }
    return kExitFailed;
}

line::ReleaseRequest releaseOf(const PreparedJob& p, const std::string& note)
{
    line::ReleaseRequest r;
    r.jobDigest = p.facts.jobDigest;
    r.device = p.facts.device;
    r.userRomChecksum = p.facts.userRomChecksum;
    r.bootRomChecksum = p.facts.bootRomChecksum;
    for (const FileFact& f : p.facts.files)
        r.files.push_back({f.role, f.path, f.sha256});
    r.note = note;
    return r;
}

} // namespace

int ReleaseCommand::run(CliContext& ctx, CliUi& ui) const
{
    if (project.empty() && revoke.empty()) {
        std::fprintf(stderr, "release: name a PROJECT, or --revoke DIGEST\n");
        return kExitUsage;
    }
    line::LineCall call;
    call.url = *line::parseLineUrl(lineUrl); // checked by the option
    call.token = line::readTokenFile(lineTokenPath);
    if (call.token.empty()) {
        std::fprintf(stderr, "release: no token in %s\n", lineTokenPath.c_str());
        return kExitFileError;
    }
    const auto client = line::systemHttpClient();
    if (!revoke.empty()) {
        const line::ReleaseResult r = line::revokeRelease(*client, call, revoke);
        if (int rc = reportFailure(r, lineUrl, lineTokenPath, revoke); rc != kExitOk)
            return rc;
        std::printf("revoked: %s\n", revoke.c_str());
        ctx.jsonFields.string("jobDigest", revoke).boolean("released", false);
        return kExitOk;
    }
    // Opened as download opens it: a project download would refuse is not
    // released either, with download's message.
    auto opened = openProjectJob(ctx, ui, std::string(kName), project);
    if (std::holds_alternative<ProjectRefusal>(opened))
        return ui.declined() ? kExitFailed : kExitFileError;
    const PreparedJob& p = std::get<PreparedJob>(opened);
    const line::ReleaseResult r = line::postRelease(*client, call, releaseOf(p, note));
    if (int rc = reportFailure(r, lineUrl, lineTokenPath, p.facts.jobDigest); rc != kExitOk)
        return rc;
    std::printf("released: %s%s\n", p.facts.jobDigest.c_str(), r.status == 200 ? " (released already)" : "");
    std::printf("device: %s\n", p.facts.device.c_str());
    ctx.jsonFields.string("jobDigest", p.facts.jobDigest).string("device", p.facts.device).boolean("released", true);
    return kExitOk;
}

CLI::App* ReleaseCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName),
                                   "release a project's job for the line (stations with --require-release run "
                                   "only released jobs), or revoke a release; needs an engineer's token");
    auto* projectOption = cmd->add_option("PROJECT", project, "project file (.pxp)");
    auto* revokeOption =
        cmd->add_option("--revoke", revoke, "revoke the release of this job digest (64 hex digits)")
            ->check(CLI::Validator(
                [](std::string& text) {
                    const bool hex =
                        text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
                    for (char& c : text)
                        c = char(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
                    return hex ? std::string() : std::string("--revoke takes a job digest (64 hex digits)");
                },
                "DIGEST"));
    projectOption->excludes(revokeOption);
    cmd->add_option("--line", lineUrl, "the line server (http://HOST[:PORT][/PATH])")
        ->required()
        ->check(lineUrlCheck());
    cmd->add_option("--line-token", lineTokenPath, "the file holding an engineer's token for the line server")
        ->required()
        ->check(nonEmptyFileName());
    cmd->add_option("--note", note, "a note kept with the release (why, what changed)");
    return cmd;
}

} // namespace plx71::cli
