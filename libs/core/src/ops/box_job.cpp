#include "plx71/ops/box_job.hpp"

#include "link/rom_pages.hpp"
#include "ops/download_worker.hpp"
#include "plx71/job/job_actions.hpp"

namespace plx71 {

namespace {

constexpr std::uint32_t kAddressMask = 0xFFFFF;

// The selected blocks, from block lastBlock (at the User ROM start) down to
// block 0 (at the top): ascending addresses. Unselected blocks are skipped
// by their size. `done` follows the counters as a complete run moves them.
void planUserRom(BoxJob& job, const AreaTables& tables, std::int32_t total, std::int32_t& done)
{
    const DeviceRecord& d = job.device;
    const std::uint32_t start = d.userRomStart & kAddressMask;
    const std::uint32_t end = d.userRomEnd & kAddressMask;
    std::uint32_t address = start;
    for (int block = d.lastBlock; block >= 0 && address < end && done < total; --block) {
        const std::uint32_t size = tables.blockSize[std::size_t(block)];
        if ((job.operationBlockMask & (1u << block)) == 0) {
            address += size;
            continue;
        }
        for (std::uint32_t sent = 0; sent < size && address < end && done < total; sent += kPageSize) {
            const std::uint32_t offset = address - start;
            job.pages.push_back({Area::UserRom, userRomPage(address), offset, d.userRomStart + offset});
            address += kPageSize;
            done += kUserPageWeight;
        }
    }
}

// The Boot ROM pages: the page weight makes the phase end after eight pages
// when the User ROM used exactly its share.
void planBootRom(BoxJob& job, std::int32_t total, std::int32_t done)
{
    const DeviceRecord& d = job.device;
    const std::uint32_t start = d.bootRomStart & kAddressMask;
    const std::uint32_t end = d.bootRomEnd & kAddressMask;
    for (std::uint32_t address = start; address < end && done < total; address += kPageSize) {
        const std::uint32_t offset = address - start;
        job.pages.push_back({Area::BootRom, bootRomPage(address), offset, d.bootRomStart + offset});
        done += kBootPageWeight;
    }
}

} // namespace

BoxJob boxJobOf(const PcJobState& state, const JobSettings& settings)
{
    BoxJob job;
    job.sendable = canDownload(state, settings);
    job.device = state.currentDevice;
    job.targetBaudIndex = settings.targetBaudIndex;
    job.userRomFileName = settings.userRomFileName;
    job.bootRomFileName = settings.bootRomFileName;
    job.idCode = settings.idCode;
    job.updateEnable = settings.updateEnable != 0;
    job.operationBlockMask = operationBlockMask(state, settings);
    job.lockBitMask = lockBitMask(state, settings);
    job.includeBootRom = !settings.bootRomFileName.empty();
    job.images = state.images;
    const std::int32_t total = downloadProgressTotal(job.operationBlockMask, job.includeBootRom);
    std::int32_t done = 0;
    planUserRom(job, state.areaTables, total, done);
    if (job.includeBootRom)
        planBootRom(job, total, done);
    return job;
}

} // namespace plx71
