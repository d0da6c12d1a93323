#include "commands/info_command.hpp"

#include "plx71/production_record/job_digest.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/text/utf8_path.hpp"

#include <cctype>
#include <cstdio>

namespace plx71::cli {

namespace {

bool isProject(const std::string& file)
{
    const auto dot = file.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : file.substr(dot + 1);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == "pxp";
}

// A project: its device and the digest of the job it holds.
int projectInfo(CliContext& ctx, CliUi& ui, const std::string& path)
{
    PcJobState state;
    JobSettings job;
    if (!loadTable(ctx, ui, state))
        return kExitFileError;
    if (!openProject(ui, state, job, pathFromUtf8(path)))
        return ui.declined() ? kExitFailed : kExitFileError;
    if (state.deviceIndex < 0) {
        std::fprintf(stderr, "%s: no device type selected\n", path.c_str());
        return kExitFileError;
    }
    const std::string digest = jobDigest(state, job);
    std::printf("device: %s\n", state.currentDevice.name.c_str());
    std::printf("job digest: %s\n", digest.c_str());
    ctx.jsonFields.string("device", state.currentDevice.name).string("jobDigest", digest);
    return kExitOk;
}

} // namespace

int InfoCommand::run(CliContext& ctx, CliUi& ui) const
{
    if (isProject(area.file))
        return projectInfo(ctx, ui, area.file);
    if (area.device.empty()) {
        std::fprintf(stderr, "info: --device is required for a data file\n");
        return kExitUsage;
    }
    PcJobState state;
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
                                   "protect state or version; of a project (.pxp), its device and job digest");
    addAreaOptions(cmd, area);
    // A project names its own device.
    cmd->get_option("--device")
        ->required(false)
        ->description("device type name, as listed by 'plx71 devices' (required for a data file)");
    return cmd;
}

} // namespace plx71::cli
