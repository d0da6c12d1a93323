#include "ops/download_worker.hpp"

#include "session_run.hpp"

#include <algorithm>

namespace plx71 {

namespace {

constexpr std::uint32_t kEraseAllBlocks = 0x7F;

void lowVccPause(BoxLink& link, const DeviceRecord& device)
{
    if (device.vcc < 50)
        linkSleep(link, link.timing.lowVccPagePause);
}

void notify(const std::function<void(ProgressPhase)>& onPhase, ProgressPhase phase)
{
    if (onPhase)
        onPhase(phase);
}

std::span<const std::uint8_t> imageOf(const BoxJob& job, Area area)
{
    return job.images.of(area);
}

bool isBlank(std::span<const std::uint8_t, kPageSize> page)
{
    return std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0xFF; });
}

// Sends the planned pages of one area while the counters run. False when a
// write failed (the abort mark is then set).
bool writePages(BoxLink& link, const BoxJob& job, bool skipBlank, Area area, ProgressCounters& counters,
                DownloadWork& work, const std::function<void()>& afterEach, const PageRetry& retry,
                std::uint16_t* lastPage = nullptr)
{
    const auto image = imageOf(job, area);
    for (const PlannedPage& p : job.pages) {
        if (p.area != area)
            continue;
        if (!counters.running())
            return true;
        const std::int32_t weight = area == Area::UserRom ? kUserPageWeight : kBootPageWeight;
        if (std::size_t(p.offset) + kPageSize > image.size()) {
            counters.abort();
            return false;
        }
        const std::span<const std::uint8_t, kPageSize> bytes(image.data() + p.offset, kPageSize);
        // The erase blanks the User ROM only: a Boot ROM page left out would
        // keep what an earlier job wrote there.
        if (skipBlank && area == Area::UserRom && isBlank(bytes)) {
            // Counted as done, so the bar moves on through a blank stretch.
            ++work.pagesSkipped;
            counters.advance(weight);
            continue;
        }
        const auto write = [&] { return cmdWritePage(link, p.page, bytes); };
        if (!(retry ? retry(write) : write())) {
            counters.abort();
            return false;
        }
        ++work.pagesWritten;
        if (lastPage)
            *lastPage = p.page;
        if (afterEach)
            afterEach();
        if (counters.aborted())
            return true; // the wait after the page failed and said so
        counters.advance(weight);
        lowVccPause(link, job.device);
    }
    return true;
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

DownloadWork downloadWorker(BoxLink& link, const BoxJob& job, bool skipBlank, ProgressCounters& counters,
                            const std::function<void(ProgressPhase)>& onPhase, const PageRetry& retry)
{
    DownloadWork work;
    std::uint8_t status = 0; // the last status read: not busy until the box says so
    const auto running = [&counters] { return counters.running(); };
    const auto notAborted = [&counters] { return !counters.aborted(); };
    const LinkTiming& t = link.timing;
    // A box that never ends its busy time fails the job like a lost answer.
    const auto waitFor = [&](const ops_detail::BusyWait& wait, const std::function<bool()>& keepWaiting) {
        if (ops_detail::waitWhileBusy(link, status, keepWaiting, wait))
            return true;
        work.commandFailed = true;
        counters.abort();
        return false;
    };

    notify(onPhase, ProgressPhase::Erase);
    if (cmdEraseBlocks(link, kEraseAllBlocks)) {
        if (waitFor({CMD_ERASE_BLOCKS, t.eraseBusyLimit, {}}, running)) {
            notify(onPhase, ProgressPhase::UserPages);
            work.commandFailed = !writePages(link, job, skipBlank, Area::UserRom, counters, work, {}, retry);
        }
    } else {
        work.commandFailed = true;
        counters.abort();
    }
    // After a failed command the box has had its message; a poll of a box
    // that vanished would only add a second one and lose the page. A
    // cancelled job still polls once, so the box is idle before the rest.
    if (!work.commandFailed)
        waitFor({CMD_WRITE_PAGE, t.pageBusyLimit, {}}, running);

    if (job.includeBootRom && counters.running()) {
        notify(onPhase, ProgressPhase::BootPages);
        // Each Boot ROM page waits for the box to finish it.
        std::uint16_t lastPage = 0;
        const auto wait = [&] { waitFor({CMD_WRITE_PAGE, t.pageBusyLimit, lastPage}, running); };
        work.commandFailed = !writePages(link, job, skipBlank, Area::BootRom, counters, work, wait, retry, &lastPage)
            || work.commandFailed;
    }

    if (!counters.aborted()) {
        notify(onPhase, ProgressPhase::Commit);
        cmdDownloadEnd(link);
        cmdDownloadCommit(link);
        waitFor({CMD_DOWNLOAD_COMMIT, t.commitBusyLimit, {}}, notAborted);
    }
    return work;
}

} // namespace plx71
