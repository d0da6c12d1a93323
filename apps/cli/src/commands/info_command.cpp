#include "commands/info_command.hpp"

#include <cstdio>

namespace plx71::cli {

int InfoCommand::run(CliContext& ctx, CliUi& ui) const
{
    WriterState state;
    JobSettings job;
    if (int rc = loadForCommand(ctx, ui, area, state, job); rc >= 0)
        return rc;
    if (area.kind() == Area::UserRom) {
        std::printf("checksum: %s\n", job.userRomChecksumText.c_str());
        std::printf("id: %s\n", job.idCodeText.c_str());
        std::printf("protect: %s\n", job.romProtectText.c_str());
        ctx.jsonFields.string("checksum", job.userRomChecksumText)
            .string("id", job.idCodeText)
            .string("protect", job.romProtectText);
    } else {
        std::printf("checksum: %s\n", job.bootRomChecksumText.c_str());
        std::printf("version: %s\n", printable(job.bootVersionText).c_str());
        ctx.jsonFields.string("checksum", job.bootRomChecksumText).string("version", printable(job.bootVersionText));
    }
    return kExitOk;
}

CLI::App* InfoCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName),
                                   "load a data file as \"Select...\" does and show its checksum, ID, "
                                   "protect state or version");
    addAreaOptions(cmd, area);
    return cmd;
}

} // namespace plx71::cli
