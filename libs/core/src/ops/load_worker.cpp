#include "load_worker.hpp"

#include "link/writer_commands.hpp"
#include "session_run.hpp"

#include <algorithm>

namespace plx71 {

namespace {

constexpr std::uint32_t kFirmwareEnd = 0xC4000;   // one past the firmware area
constexpr std::uint32_t kLastPageLimit = 0xC3FFF; // pages start below this
constexpr std::int32_t kPageWeight = 256;

// The first page the worker sends: the image's first address on a page
// boundary, never below the firmware area (the image holds nothing there).
std::uint32_t firstPageAddress(const FirmwareImage& image)
{
    return std::max(image.firstAddress, kFirmwareBase) & ~std::uint32_t(kPageSize - 1);
}

} // namespace

std::int32_t loadProgressTotal(const FirmwareImage& image)
{
    const std::uint32_t first = firstPageAddress(image);
    return first < kFirmwareEnd ? std::int32_t(kFirmwareEnd - first) : 0;
}

LoadWork loadWorker(BoxLink& link, const FirmwareImage& image, ProgressCounters& counters)
{
    LoadWork work;
    std::uint8_t status = 0; // not busy until the box says so
    const auto running = [&counters] { return counters.running(); };
    std::optional<std::uint16_t> lastPage; // the page the box may be busy with
    for (std::uint32_t page = firstPageAddress(image); page < kLastPageLimit; page += kPageSize) {
        if (!counters.running())
            return work;
        const ops_detail::BusyWait wait{CMD_LOAD_WRITE_PAGE, link.timing.pageBusyLimit, lastPage};
        if (!ops_detail::waitWhileBusy(link, status, running, wait, ops_detail::PollOrder::SleepFirst)) {
            work.commandFailed = true;
            counters.abort();
            return work;
        }
        if (!counters.running())
            return work;
        const std::size_t offset = page - kFirmwareBase;
        lastPage = std::uint16_t(page >> 8);
        if (offset + kPageSize > image.bytes.size()
            || !cmdLoadWritePage(link, *lastPage,
                                 std::span<const std::uint8_t, kPageSize>(image.bytes.data() + offset, kPageSize))) {
            work.commandFailed = true;
            counters.abort();
            return work;
        }
        ++work.pagesWritten;
        counters.advance(kPageWeight);
    }
    return work;
}

} // namespace plx71
