#include "plx71/job/job_actions.hpp"

namespace plx71 {

std::string blockRangeText(std::int32_t lastBlock)
{
    return lastBlock == 0 ? std::string("0") : "0-" + std::to_string(lastBlock);
}

void showTargetBoard(const PcJobState& state, JobSettings& job)
{
    const DeviceRecord& d = state.currentDevice;
    job.targetBoard = TargetBoard{state.range(Area::UserRom), state.range(Area::BootRom), d.lastBlock, d.vcc, d.vpp};
}

void selectDevice(PcJobState& state, JobSettings& job, int index)
{
    if (index < 0 || std::size_t(index) >= state.deviceTable.records.size())
        return;
    state.deviceIndex = index;
    state.setCurrentDevice(state.deviceTable.records[std::size_t(index)]);
    showTargetBoard(state, job);
}

bool canDownload(const PcJobState& state, const JobSettings& job)
{
    return state.deviceIndex != -1 && !job.userRomFileName.empty();
}

} // namespace plx71
