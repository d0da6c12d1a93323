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
        const std::string checksum = formatChecksum(job.userRomChecksum);
        std::printf("checksum: %s\n", checksum.c_str());
        const std::string id = job.dataIdCode ? formatIdCode(*job.dataIdCode) : std::string();
        const std::string protect =
            job.romProtectLevel ? std::string(protectText(*job.romProtectLevel)) : std::string();
        std::printf("id: %s\n", id.c_str());
        std::printf("protect: %s\n", protect.c_str());
        ctx.jsonFields.string("checksum", checksum).string("id", id).string("protect", protect);
    } else {
        const std::string checksum = formatChecksum(job.bootRomChecksum);
        std::printf("checksum: %s\n", checksum.c_str());
        std::printf("version: %s\n", printable(job.bootVersionText).c_str());
        ctx.jsonFields.string("checksum", checksum).string("version", printable(job.bootVersionText));
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
