#include "commands/download_command.hpp"

#include "commands/project_job.hpp"

namespace plx71::cli {

int DownloadCommand::run(CliContext& ctx, CliUi& ui) const
{
    const DownloadOptions options{.verify = !noVerify, .skipBlank = skipBlank};
    return runProjectJob(ctx, ui, kName, project, link,
                         [options](BoxSession& session, const BoxTarget& target, const PreparedJob& p,
                                   ProgressSink& sink) { return session.download(target, p.box, sink, options); });
}

CLI::App* DownloadCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName),
                                   "open a project, store its job and data in the writer box and "
                                   "read them back");
    cmd->add_option("PROJECT", project, "project file (.pxp)")->required();
    cmd->add_flag("--no-verify", noVerify, "skip the read-back after the download");
    cmd->add_flag("--skip-blank", skipBlank,
                  "do not send pages whose 256 bytes are all FF (the read-back still reads every "
                  "page); off by default, as what the box does with pages it never receives is not "
                  "known");
    addLinkOptions(cmd, link, RecordOption::Present);
    addRecoverOption(cmd, link);
    addRequireReleaseOption(cmd, link);
    return cmd;
}

} // namespace plx71::cli
