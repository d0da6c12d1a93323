#include "commands/verify_command.hpp"

#include "commands/project_job.hpp"

namespace plx71::cli {

int VerifyCommand::run(CliContext& ctx, CliUi& ui) const
{
    return runDownloadOrVerify(ctx, ui, project, link, DownloadOptions{}, false);
}

CLI::App* VerifyCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName), "compare the writer box with a project without writing anything");
    cmd->add_option("PROJECT", project, "project file (.pxp)")->required();
    addLinkOptions(cmd, link, true);
    addRecoverOption(cmd, link);
    return cmd;
}

} // namespace plx71::cli
