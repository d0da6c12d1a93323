#include "ops/writer_settings_apply.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/job/job_actions.hpp"

namespace plx71 {

namespace {

constexpr int kListedBlocks = 6; // the lists always cover blocks 0..6

std::int32_t voltageFromCode(std::uint8_t code)
{
    switch (code) {
    case 1:
        return 33;
    case 2:
        return 50;
    case 3:
        return 120;
    default:
        return 0;
    }
}

// start + size - 1, or none when the area is empty or runs past 32 bits.
std::optional<std::uint32_t> areaEnd(std::uint32_t start, std::uint32_t size)
{
    const std::uint64_t end = std::uint64_t(start) + size - 1;
    if (size == 0 || end > 0xFFFFFFFFu)
        return std::nullopt;
    return std::uint32_t(end);
}

void applyMasks(const WriterSettings& s, std::uint8_t allBlocks, JobSettings& job)
{
    if (s.lockBitMask == kLockBitsNoChange) {
        job.lockBitMode = LockBitMode::NoChange;
    } else if (s.lockBitMask == allBlocks) {
        job.lockBitMode = LockBitMode::AllLock;
    } else if (s.lockBitMask == 0) {
        job.lockBitMode = LockBitMode::AllNoLock;
    } else {
        job.lockBitMode = LockBitMode::Block;
        job.lockBlockList = formatBlockList(s.lockBitMask, 0, kListedBlocks);
    }
    if (s.operationBlockMask == allBlocks) {
        job.operationBlockMode = OperationBlockMode::All;
    } else {
        job.operationBlockMode = OperationBlockMode::Block;
        job.operationBlockList = formatBlockList(s.operationBlockMask, 0, kListedBlocks);
    }
}

} // namespace

std::optional<DeviceRecord> deviceFromSettings(const WriterSettings& s)
{
    if (s.deviceName.empty() || s.deviceName.size() > kMaxDeviceNameLength || s.blockCount == 0)
        return std::nullopt;
    DeviceRecord d;
    d.name = s.deviceName;
    d.bootRomStart = std::uint32_t(s.bootRomStartPage) << 8;
    d.bootRomSize = std::uint32_t(s.bootRomSizeKiB) << 10;
    d.userRomStart = std::uint32_t(s.userRomStartPage) << 8;
    d.userRomSize = std::uint32_t(s.userRomSizeKiB) << 10;
    const auto bootEnd = areaEnd(d.bootRomStart, d.bootRomSize);
    const auto userEnd = areaEnd(d.userRomStart, d.userRomSize);
    if (!bootEnd || !userEnd)
        return std::nullopt;
    d.bootRomEnd = *bootEnd;
    d.userRomEnd = *userEnd;
    d.lastBlock = std::int32_t(s.blockCount) - 1;
    d.allBlocksMask = allBlocksMaskFor(d.lastBlock);
    d.vcc = voltageFromCode(s.voltageCodes & 0x0F);
    d.vpp = voltageFromCode(std::uint8_t(s.voltageCodes >> 4));
    if (!fitsImages(d))
        return std::nullopt;
    return d;
}

bool applyWriterSettings(const WriterSettings& s, PcJobState& state, JobSettings& job)
{
    if (!s.holdsSettings())
        return false;
    const int index = state.deviceTable.find(s.deviceName);
    if (index >= 0) {
        selectDevice(state, job, index);
    } else {
        // A name the table does not know: the box's own layout, when it is
        // one the images can hold; no selection in the device list.
        const auto rebuilt = deviceFromSettings(s);
        if (!rebuilt)
            return false;
        state.deviceIndex = -1;
        state.setCurrentDevice(*rebuilt);
        showTargetBoard(state, job);
    }

    job.updateEnable = s.updateEnable != 0 ? 1 : 0;
    job.userRomFileName = s.userRomFileName;
    job.bootRomFileName = s.bootRomFileName;
    std::copy(s.checkId.begin(), s.checkId.end(), job.idCode.begin());
    job.checkIdText = formatIdCode(job.idCode);
    // A code outside the list's ten entries would select nothing.
    if (s.targetRateCode >= 1 && s.targetRateCode <= std::size(kTargetBaudNames))
        job.targetBaudIndex = s.targetRateCode - 1;
    applyMasks(s, state.currentDevice.allBlocksMask, job);
    return true;
}

} // namespace plx71
