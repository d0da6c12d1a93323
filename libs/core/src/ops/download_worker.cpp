#include "plx71/ops/download.hpp"

#include "link_session.hpp"
#include "plx71/link/writer_commands.hpp"

namespace plx71 {

namespace {

constexpr std::uint32_t kEraseAllBlocks = 0x7F;
constexpr std::int32_t kUserPageWeight = 256;
constexpr std::int32_t kBootPageWeight = 2560;
constexpr int kBootPagesSent = 8;
constexpr std::uint32_t kAddressMask = 0xFFFFF;

std::span<const std::uint8_t, kPageSize> pageAt(std::span<const std::uint8_t> image, std::uint32_t offset)
{
    return std::span<const std::uint8_t, kPageSize>(image.data() + offset, kPageSize);
}

bool pageFits(std::span<const std::uint8_t> image, std::uint32_t offset)
{
    return std::size_t(offset) + kPageSize <= image.size();
}

void lowVccPause(WriterLink& link, const DeviceRecord& device)
{
    if (device.vcc < 50)
        linkSleep(link, link.timing.lowVccPagePause);
}

// The selected blocks, from block lastBlock (at the User ROM start) down to
// block 0 (at the top): ascending addresses. Unselected blocks are skipped
// by their size.
void writeUserRom(WriterLink& link, const DownloadData& data, ProgressCounters& counters)
{
    const DeviceRecord& d = data.device;
    const std::uint32_t start = d.userRomStart & kAddressMask;
    const std::uint32_t end = d.userRomEnd & kAddressMask;
    std::uint32_t address = start;
    for (int block = d.lastBlock; block >= 0 && address < end && counters.running(); --block) {
        const std::uint32_t size = data.blockSize[std::size_t(block)];
        if ((data.downloadSelection & (1u << block)) == 0) {
            address += size;
            continue;
        }
        for (std::uint32_t sent = 0; sent < size && address < end && counters.running(); sent += kPageSize) {
            const std::uint32_t offset = address - start;
            if (!pageFits(data.userImage, offset)
                || !cmdWritePage(link, userRomPage(address), pageAt(data.userImage, offset))) {
                counters.abort();
                break;
            }
            address += kPageSize;
            counters.advance(kUserPageWeight);
            lowVccPause(link, d);
        }
    }
}

// Each Boot ROM page waits for the box to finish it. The page weight makes
// the phase end after eight pages when the User ROM used exactly its share.
void writeBootRom(WriterLink& link, const DownloadData& data, ProgressCounters& counters, std::uint8_t& status)
{
    const DeviceRecord& d = data.device;
    const std::uint32_t start = d.bootRomStart & kAddressMask;
    const std::uint32_t end = d.bootRomEnd & kAddressMask;
    const auto running = [&counters] { return counters.running(); };
    for (std::uint32_t address = start; address < end && counters.running(); address += kPageSize) {
        const std::uint32_t offset = address - start;
        if (!pageFits(data.bootImage, offset)
            || !cmdWritePage(link, bootRomPage(address), pageAt(data.bootImage, offset))) {
            counters.abort();
            return;
        }
        ops_detail::pollThenSleepWhileBusy(link, status, running);
        counters.advance(kBootPageWeight);
        lowVccPause(link, d);
    }
}

} // namespace

std::int32_t downloadProgressTotal(std::uint8_t downloadSelection, bool includeBootRom)
{
    std::int32_t total = 0;
    for (int block = 0; block < kBlockCount; ++block) {
        if ((downloadSelection & (1u << block)) != 0)
            total += std::int32_t(kBlockSizes[std::size_t(block)]);
    }
    if (includeBootRom)
        total += kBootPagesSent * kBootPageWeight;
    return total;
}

void downloadWorker(WriterLink& link, const DownloadData& data, ProgressCounters& counters)
{
    std::uint8_t status = 0; // the last status read: not busy until the box says so
    const auto running = [&counters] { return counters.running(); };
    const auto notAborted = [&counters] { return !counters.aborted(); };

    if (cmdEraseBlocks(link, kEraseAllBlocks)) {
        ops_detail::pollThenSleepWhileBusy(link, status, running);
        writeUserRom(link, data, counters);
    } else {
        counters.abort();
    }
    ops_detail::pollThenSleepWhileBusy(link, status, running);

    if (data.includeBootRom && counters.running())
        writeBootRom(link, data, counters, status);

    if (!counters.aborted()) {
        cmdDownloadEnd(link);
        cmdDownloadCommit(link);
        ops_detail::pollThenSleepWhileBusy(link, status, notAborted);
    }
}

} // namespace plx71
