#include "commands/firmware_command.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_job.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/select_firmware.hpp"
#include "plx71/text/utf8_path.hpp"

#include <cstdio>

namespace plx71::cli {

int FirmwareCommand::run(CliContext& ctx, CliUi& ui) const
{
    JobFacts facts;
    facts.command = "firmware";
    facts.files.push_back(fileFact("firmware", file));
    const auto selected = selectFirmwareFile(ui, pathFromUtf8(file));
    if (!selected)
        return finishJob(ctx, ui, refused(OutcomeClass::FileError, file), facts, link);
    JobSettings defaults;
    const SelectedFirmware& shared = *selected;
    const bool printVersion = !ctx.json && !isGang(link);
    return runLinkJob(ctx, ui, link, defaults, facts,
                      [&shared, printVersion](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          const BoxOutcome outcome = session.loadFirmware(target, shared.image, shared.path, sink);
                          if (outcome.ok() && printVersion)
                              std::printf("firmware: %s (%s)\n", printable(outcome.firmwareVersion).c_str(),
                                          std::string(msg::kLoadedNotReadBack).c_str());
                          return outcome;
                      });
}

CLI::App* FirmwareCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName), "write new firmware (Intel HEX) into the writer box");
    cmd->add_option("FILE", file, "firmware file (.hex)")->required();
    cmd->footer("The writer box cannot read its firmware back: a load ends with exit 0 once every page is "
                "acknowledged and the box answers its version, and says \"loaded, not read back\" "
                "(JSON \"verified\": false). Load firmware on a clean line: a short cable, one box at a time, "
                "and a lower --baud where the line is in doubt.");
    addLinkOptions(cmd, link, RecordOption::Present);
    addRecoverOption(cmd, link);
    return cmd;
}

} // namespace plx71::cli
