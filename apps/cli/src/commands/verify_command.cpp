#include "commands/verify_command.hpp"

#include "commands/project_job.hpp"

namespace plx71::cli {

int VerifyCommand::run(CliContext& ctx, CliUi& ui) const
{
    return runProjectJob(ctx, ui, kName, project, link,
                         [](BoxSession& session, const BoxTarget& target, const PreparedJob& p, ProgressSink& sink) {
                             return session.verify(target, p.box, sink);
                         });
}

CLI::App* VerifyCommand::add(CLI::App& app)
{
    auto* cmd =
        app.add_subcommand(std::string(kName), "compare the writer box with a project without writing anything");
    cmd->add_option("PROJECT", project, "project file (.pxp)")->required();
    addLinkOptions(cmd, link, RecordOption::Present);
    addRecoverOption(cmd, link);
    addRequireReleaseOption(cmd, link);
    return cmd;
}

} // namespace plx71::cli
