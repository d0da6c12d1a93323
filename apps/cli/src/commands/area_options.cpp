#include "commands/area_options.hpp"

#include "plx71/job/job_actions.hpp"
#include "plx71/text/utf8_path.hpp"

#include <cstdio>

namespace plx71::cli {

std::string hex06(std::uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", v);
    return buf;
}

int loadForCommand(const CliContext& ctx, CliUi& ui, const AreaOptions& o, PcJobState& state, JobSettings& job)
{
    if (!loadTable(ctx, ui, state))
        return kExitFileError;
    if (!selectDeviceByName(state, job, o.device))
        return kExitUsage;
    if (!loadAreaFile(ui, state, job, o.kind(), pathFromUtf8(o.file)))
        return ui.declined() ? kExitFailed : kExitFileError;
    return -1;
}

void addAreaOptions(CLI::App* cmd, AreaOptions& o)
{
    cmd->add_option("FILE", o.file, "Intel HEX (.hex) or S-record (.mot, .btp) data file")->required();
    cmd->add_option("--device", o.device, "device type name, as listed by 'plx71 devices'")->required();
    cmd->add_option("--area", o.area, "user (User ROM, default) or boot (Boot ROM)")
        ->check(CLI::IsMember({"user", "boot"}));
}

} // namespace plx71::cli
