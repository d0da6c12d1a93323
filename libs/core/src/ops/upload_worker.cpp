#include "ops/upload_worker.hpp"

#include "link/writer_commands.hpp"

#include <algorithm>
#include <array>

namespace plx71 {

namespace {

constexpr std::int32_t kPageWeight = 256;
constexpr std::int32_t kBootShare = 0x800; // eight Boot ROM pages
constexpr std::uint32_t kAddressMask = 0xFFFFF;

constexpr int kMostReadsOfPage = 4;

// Whether a recovering job's first read of a page vouches for it: the reply
// passed the port's parity check besides its check sum (a wrong page then
// needs two bytes each with two bit errors, whose changes cancel in the sum),
// or it reads blank: every bit 1, so that the page held other bytes only if
// exactly their 0 bits flipped with changes that cancel in the sum, two bit
// errors or more at given places (about 1e-8 a page at a bit error rate of
// 1e-4). Any other page may hide two errors that cancel in the one-byte sum
// (about 1e-3 a page at 1e-4): it is read again.
bool vouchedByOneRead(const BoxLink& link, std::span<const std::uint8_t, kPageSize> page)
{
    return link.recovering
        && (link.lastReplyParityChecked || std::all_of(page.begin(), page.end(), [](auto b) { return b == 0xFF; }));
}

// One page into `out`; with `readTwice`, until two reads in a row agree
// (unless the first vouches for it).
bool readPage(BoxLink& link, std::uint16_t page, std::span<std::uint8_t, kPageSize> out, bool readTwice)
{
    if (!cmdReadPage(link, page, out))
        return false;
    if (!readTwice || vouchedByOneRead(link, out))
        return true;
    std::array<std::uint8_t, kPageSize> again{};
    for (int reads = 1; reads < kMostReadsOfPage; ++reads) {
        if (!cmdReadPage(link, page, again))
            return false;
        if (std::equal(again.begin(), again.end(), out.begin()))
            return true;
        std::copy(again.begin(), again.end(), out.begin());
    }
    // Every read answered, but no two agreed: the line is too noisy to trust.
    link.failedCommand = CMD_READ_PAGE;
    link.failedPage = page;
    link.failedCommandHasPage = true;
    recordLinkFailure(link, LinkFault::NoAgreement);
    return false;
}

struct AreaReads {
    bool readTwice = false;
    const PageRetry& retry;
};

// Reads the pages from `first` up to `last` (inclusive, reduced to 20 bits)
// into `image` while the counters run; a failed read sets the abort mark.
template <typename PageNumber>
bool readArea(BoxLink& link, const DeviceRecord& device, std::uint32_t first, std::uint32_t last,
              std::vector<std::uint8_t>& image, PageNumber pageNumber, ProgressCounters& counters, const AreaReads& how)
{
    const std::uint32_t start = first & kAddressMask;
    const std::uint32_t end = last & kAddressMask;
    for (std::uint32_t address = start; address < end && counters.running(); address += kPageSize) {
        const std::uint32_t offset = address - start;
        const auto readOnce = [&] {
            return readPage(link, pageNumber(address),
                            std::span<std::uint8_t, kPageSize>(image.data() + offset, kPageSize), how.readTwice);
        };
        if (std::size_t(offset) + kPageSize > image.size() || !(how.retry ? how.retry(readOnce) : readOnce())) {
            counters.abort();
            return false;
        }
        counters.advance(kPageWeight);
        if (device.vcc < 50)
            linkSleep(link, link.timing.lowVccPagePause);
    }
    return true;
}

} // namespace

std::int32_t uploadProgressTotal(const DeviceRecord& device, bool includeBootRom)
{
    const std::int64_t user = std::int64_t(device.userRomEnd) - std::int64_t(device.userRomStart) + 1;
    return std::int32_t(std::clamp<std::int64_t>(user, 0, 0x40000)) + (includeBootRom ? kBootShare : 0);
}

bool uploadWorker(BoxLink& link, const DeviceRecord& device, RomImages& images, bool includeBootRom,
                  ProgressCounters& counters, const std::function<void(ProgressPhase)>& onPhase, bool readTwice,
                  const PageRetry& retry)
{
    const AreaReads how{readTwice, retry};
    if (onPhase)
        onPhase(ProgressPhase::UserPages);
    if (!readArea(link, device, device.userRomStart, device.userRomEnd, images.user, userRomPage, counters, how))
        return false;
    if (!includeBootRom || !counters.running())
        return true;
    if (onPhase)
        onPhase(ProgressPhase::BootPages);
    // Only the first eight pages come back: the rest of the area must not
    // keep the bytes of an earlier job.
    std::fill(images.boot.begin(), images.boot.end(), kBlankByte);
    return readArea(link, device, device.bootRomStart, device.bootRomEnd, images.boot, bootRomPage, counters, how);
}

} // namespace plx71
