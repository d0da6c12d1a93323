#include "commands/versions_command.hpp"

#include "commands/link_job.hpp"
#include "plx71/ops/box_session.hpp"

#include <cstdio>

namespace plx71::cli {

int VersionsCommand::run(CliContext& ctx, CliUi& ui) const
{
    JobSettings defaults;
    JobFacts facts;
    facts.command = "versions";
    const bool printVersions = !ctx.json && !isGang(link);
    return runLinkJob(ctx, ui, link, defaults, facts,
                      [printVersions](BoxSession& session, const BoxTarget& target, ProgressSink&) {
                          const BoxOutcome outcome = session.readVersions(target);
                          if (outcome.ok() && printVersions)
                              std::printf("boot: %s\nfirmware: %s\n", printable(outcome.bootVersion).c_str(),
                                          printable(outcome.firmwareVersion).c_str());
                          return outcome;
                      });
}

CLI::App* VersionsCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName), "read the boot and firmware versions of the writer box");
    addLinkOptions(cmd, link, RecordOption::Absent);
    return cmd;
}

} // namespace plx71::cli
