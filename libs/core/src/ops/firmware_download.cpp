#include "plx71/ops/firmware_download.hpp"

#include "plx71/link/writer_commands.hpp"
#include "plx71/messages/message_texts.hpp"

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

LoaderVersions loaderVersionsOf(const BoxOutcome& outcome)
{
    if (!outcome.ok())
        return {};
    return LoaderVersions{true, outcome.firmwareVersion, outcome.bootVersion};
}

bool FirmwareDownloadResult::complete() const
{
    return statusText == msg::kStatusComplete;
}

FirmwareDownloadResult firmwareDownloadResultOf(const BoxOutcome& outcome)
{
    return FirmwareDownloadResult{std::string(outcome.ok() ? msg::kStatusComplete : msg::kStatusError),
                                  outcome.firmwareVersion, outcome.bootVersion};
}

std::int32_t loadProgressTotal(const FirmwareImage& image)
{
    const std::uint32_t first = firstPageAddress(image);
    return first < kFirmwareEnd ? std::int32_t(kFirmwareEnd - first) : 0;
}

bool loadWorker(WriterLink& link, const FirmwareImage& image, ProgressCounters& counters)
{
    std::uint8_t status = 0; // not busy until the box says so
    for (std::uint32_t page = firstPageAddress(image); page < kLastPageLimit; page += kPageSize) {
        if (!counters.running())
            return true;
        do {
            linkSleep(link, link.timing.statusPollSleep);
            cmdReadStatus(link, status); // a failed poll keeps the last status
        } while ((status & kStatusBusy) != 0 && counters.running());
        if (!counters.running())
            return true;
        const std::size_t offset = page - kFirmwareBase;
        if (offset + kPageSize > image.bytes.size()
            || !cmdLoadWritePage(link, std::uint16_t(page >> 8),
                                 std::span<const std::uint8_t, kPageSize>(image.bytes.data() + offset, kPageSize))) {
            counters.abort();
            return false;
        }
        counters.advance(kPageWeight);
    }
    return true;
}

} // namespace plx71
