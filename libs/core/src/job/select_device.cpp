#include "plx71/job/job_actions.hpp"

#include <cstdio>

namespace plx71 {

namespace {

std::string areaText(const AreaRange& r)
{
    char text[32];
    std::snprintf(text, sizeof text, "%06X-%06X", unsigned(r.start), unsigned(r.end));
    return text;
}

} // namespace

void selectDevice(WriterState& state, JobSettings& job, int index)
{
    if (index < 0 || std::size_t(index) >= state.deviceTable.records.size())
        return;
    state.deviceIndex = index;
    state.setCurrentDevice(state.deviceTable.records[std::size_t(index)]);

    const DeviceRecord& d = state.currentDevice;
    job.userRomAreaText = areaText(state.range(Area::UserRom));
    job.blockRangeText = d.lastBlock == 0 ? std::string("0") : "0-" + std::to_string(d.lastBlock);
    job.bootRomAreaText = areaText(state.range(Area::BootRom));
    job.vccText = formatVoltage(d.vcc);
    job.vppText = formatVoltage(d.vpp);
}

bool canDownload(const WriterState& state, const JobSettings& job)
{
    return state.deviceIndex != -1 && !job.userRomFileName.empty();
}

} // namespace plx71
