#include "plx71/job/download_masks.hpp"

#include "plx71/datafile/block_list.hpp"

namespace plx71 {

namespace {

// The mask of a block list over 0..lastBlock; 0 for an empty or invalid list.
std::uint8_t listMask(const DeviceRecord& device, const std::string& list)
{
    if (device.lastBlock < 0 || device.lastBlock > 7)
        return 0;
    std::uint32_t mask = 0;
    if (!parseBlockList(list, 0, device.lastBlock, mask))
        return 0;
    return std::uint8_t(mask & 0xFF);
}

} // namespace

std::uint8_t operationBlockMask(const PcJobState& state, const JobSettings& job)
{
    const DeviceRecord& d = state.currentDevice;
    if (job.operationBlockMode != OperationBlockMode::Block)
        return d.allBlocksMask;
    const std::uint8_t mask = listMask(d, job.operationBlockList);
    return mask != 0 ? mask : d.allBlocksMask;
}

std::uint8_t lockBitMask(const PcJobState& state, const JobSettings& job)
{
    const DeviceRecord& d = state.currentDevice;
    switch (job.lockBitMode) {
    case LockBitMode::AllLock:
        return d.allBlocksMask;
    case LockBitMode::AllNoLock:
        return 0;
    case LockBitMode::Block:
        return listMask(d, job.lockBlockList);
    case LockBitMode::NoChange:
        break;
    }
    return 0x80; // No Change
}

} // namespace plx71
