#include "plx71/ops/firmware_loader.hpp"

#include "link_session.hpp"
#include "plx71/link/writer_commands.hpp"
#include "plx71/ui/messages.hpp"

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

FirmwareDownloadResult failed()
{
    return FirmwareDownloadResult{std::string(msg::kStatusError), {}, {}};
}

} // namespace

bool FirmwareDownloadResult::complete() const
{
    return statusText == msg::kStatusComplete;
}

std::int32_t loadProgressTotal(const FirmwareImage& image)
{
    const std::uint32_t first = firstPageAddress(image);
    return first < kFirmwareEnd ? std::int32_t(kFirmwareEnd - first) : 0;
}

void loadWorker(WriterLink& link, const FirmwareImage& image, ProgressCounters& counters)
{
    std::uint8_t status = 0; // not busy until the box says so
    for (std::uint32_t page = firstPageAddress(image); page < kLastPageLimit; page += kPageSize) {
        if (!counters.running())
            return;
        do {
            linkSleep(link, link.timing.statusPollSleep);
            cmdReadStatus(link, status); // a failed poll keeps the last status
        } while ((status & kStatusBusy) != 0 && counters.running());
        if (!counters.running())
            return;
        const std::size_t offset = page - kFirmwareBase;
        if (offset + kPageSize > image.bytes.size()
            || !cmdLoadWritePage(link, std::uint16_t(page >> 8),
                                 std::span<const std::uint8_t, kPageSize>(image.bytes.data() + offset, kPageSize))) {
            counters.abort();
            return;
        }
        counters.advance(kPageWeight);
    }
}

FirmwareDownloadResult runFirmwareDownload(Ui& ui, WriterLink& link, const FirmwareImage& image,
                                           const std::string& firmwarePath, int portIndex, int baudIndex,
                                           const TransferRunner& runner)
{
    ops_detail::LinkUiScope scope(link, ui);
    link.comPortIndex = portIndex;
    link.hostBaudIndex = baudIndex;
    if (!connectWriter(link))
        return failed();

    // The box leaves for its loader only after both commands; it needs the
    // prepare wait before it listens at another rate.
    bool ready = cmdLoadEnter(link) && cmdLoadPrepare(link);
    if (ready) {
        linkSleep(link, link.timing.loaderPrepareWait);
        link.hostBaudIndex = baudIndex;
        ready = switchLinkRate(link);
    }
    if (!ready) {
        disconnectWriter(link);
        return failed();
    }

    ProgressCounters counters;
    counters.start(loadProgressTotal(image));
    const TransferView view{std::string(kLoadingTitle), firmwarePath};
    const bool loaded = runner(view, counters, [&link, &image, &counters] { loadWorker(link, image, counters); });

    FirmwareDownloadResult result = failed();
    if (loaded && cmdReadVersions(link))
        result = FirmwareDownloadResult{std::string(msg::kStatusComplete), link.firmwareVersion, link.bootVersion};
    if (!ops_detail::returnToRestingRate(link))
        result.statusText = std::string(msg::kStatusError);
    return result;
}

} // namespace plx71
