#include "ops/download_verify.hpp"

#include <algorithm>
#include <functional>
#include <optional>

namespace plx71 {

namespace {

constexpr std::int32_t kReadWeight = 256;

enum class Reread { LineFault, BoxHoldsOther, Failed };

// Reads a differing item again: a re-read equal to the job clears it; two
// re-reads in a row that agree with each other but not with the job are
// what the box holds (`found` then has it). Neither within `rereads`: the
// line is too noisy to tell, a failed read.
template <typename T, typename Read, typename Same>
Reread rereadDifference(int rereads, const T& wanted, T& found, Read read, Same same)
{
    std::optional<T> previous;
    for (int i = 0; i < rereads; ++i) {
        std::optional<T> again = read();
        if (!again)
            return Reread::Failed;
        if (same(*again, wanted))
            return Reread::LineFault;
        if (previous && same(*again, *previous)) {
            found = *again;
            return Reread::BoxHoldsOther;
        }
        previous = std::move(again);
    }
    return Reread::Failed;
}

using Page = std::array<std::uint8_t, kPageSize>;

void markFailedRead(BoxLink& link, std::uint16_t page)
{
    link.failedCommand = CMD_READ_PAGE;
    link.failedPage = page;
    link.failedCommandHasPage = true;
}

// The settings record, read again while it differs (hooks.rereads).
bool settingsMatch(BoxLink& link, const WriterSettings& expected, WriterSettings found, FileNameCheck names,
                   const ReadBackHooks& hooks, VerifyWork& work)
{
    work.difference.field = firstSettingsDifference(expected, found, names);
    if (!work.difference.any() || hooks.rereads == 0)
        return !work.difference.any();
    const auto read = [&]() { return hooks.readSettings ? hooks.readSettings() : cmdReadSettings(link); };
    const auto same = [names](const WriterSettings& a, const WriterSettings& b) {
        return firstSettingsDifference(a, b, names).empty();
    };
    switch (rereadDifference(hooks.rereads, expected, found, read, same)) {
    case Reread::LineFault:
        work.difference.field.clear();
        return true;
    case Reread::BoxHoldsOther:
        work.difference.field = firstSettingsDifference(expected, found, names);
        work.confirmed = true;
        return false;
    case Reread::Failed:
        break;
    }
    work.difference.field.clear();
    link.failedCommand = CMD_READ_SETTINGS;
    link.failedCommandHasPage = false;
    work.commandFailed = true;
    return false;
}

// The first differing byte of a page into work.difference.
void noteDifference(const PlannedPage& p, std::span<const std::uint8_t> sent, const Page& read, VerifyWork& work)
{
    const auto [at, other] = std::mismatch(sent.begin(), sent.end(), read.begin());
    const auto index = std::uint32_t(at - sent.begin());
    work.difference.address = p.address + index;
    work.difference.expected = *at;
    work.difference.found = *other;
}

} // namespace

WriterSettings expectedSettings(const BoxJob& job)
{
    const DeviceRecord& d = job.device;
    WriterSettings s;
    s.bootRomStartPage = std::uint16_t(d.bootRomStart >> 8);
    s.bootRomSizeKiB = std::uint16_t(d.bootRomSize >> 10);
    s.userRomStartPage = std::uint16_t(d.userRomStart >> 8);
    s.userRomSizeKiB = std::uint16_t(d.userRomSize >> 10);
    s.blockCount = std::uint8_t(d.lastBlock + 1);
    s.voltageCodes = std::uint8_t((voltageCode(d.vpp) << 4) | voltageCode(d.vcc));
    s.deviceName = d.name;
    s.updateEnable = std::uint8_t(job.updateEnable);
    s.userRomFileName = job.userRomFileName;
    s.bootRomFileName = job.bootRomFileName;
    std::copy(job.idCode.begin(), job.idCode.end(), s.checkId.begin());
    s.targetRateCode = std::uint8_t(job.targetBaudIndex + 1);
    s.lockBitMask = job.lockBitMask;
    s.operationBlockMask = job.operationBlockMask;
    return s;
}

std::string firstSettingsDifference(const WriterSettings& e, const WriterSettings& f, FileNameCheck names)
{
    const auto sameName = [names](const std::string& a, const std::string& b) {
        return names == FileNameCheck::Exact ? a == b : a.empty() == b.empty();
    };
    const bool sameDevice = e.bootRomStartPage == f.bootRomStartPage && e.bootRomSizeKiB == f.bootRomSizeKiB
        && e.userRomStartPage == f.userRomStartPage && e.userRomSizeKiB == f.userRomSizeKiB
        && e.blockCount == f.blockCount && e.voltageCodes == f.voltageCodes && e.deviceName == f.deviceName;
    if (!sameDevice)
        return "device";
    if (e.updateEnable != f.updateEnable)
        return "updateEnable";
    if (!sameName(e.userRomFileName, f.userRomFileName))
        return "userRomFileName";
    if (!sameName(e.bootRomFileName, f.bootRomFileName))
        return "bootRomFileName";
    if (e.checkId != f.checkId)
        return "checkId";
    if (e.targetRateCode != f.targetRateCode)
        return "targetRate";
    if (e.lockBitMask != f.lockBitMask)
        return "lockBits";
    if (e.operationBlockMask != f.operationBlockMask)
        return "operationBlocks";
    return {};
}

std::int32_t verifyProgressTotal(std::size_t pageCount)
{
    return std::int32_t(pageCount + 1) * kReadWeight;
}

VerifyWork verifyWorker(BoxLink& link, const BoxJob& job, const WriterSettings& expected, ProgressCounters& counters,
                        FileNameCheck names, const ReadBackHooks& hooks)
{
    VerifyWork work;
    const auto stop = [&counters, &work](bool failed) {
        work.commandFailed = work.commandFailed || failed;
        counters.abort();
        return work;
    };
    const auto settings = hooks.readSettings ? hooks.readSettings() : cmdReadSettings(link);
    if (!settings)
        return stop(true);
    if (!settings->holdsSettings()) {
        work.settingsMissing = true;
        return stop(false);
    }
    if (!settingsMatch(link, expected, *settings, names, hooks, work))
        return stop(false);
    counters.advance(kReadWeight);

    const auto readPage = [&](std::uint16_t page, std::span<std::uint8_t, kPageSize> out) {
        return hooks.readPage ? hooks.readPage(page, out) : cmdReadPage(link, page, out);
    };
    Page read{};
    for (const PlannedPage& p : job.pages) {
        if (!counters.running())
            break;
        const std::span<const std::uint8_t> image = job.images.of(p.area);
        if (std::size_t(p.offset) + kPageSize > image.size() || !readPage(p.page, read))
            return stop(true);
        const auto sent = image.subspan(p.offset, kPageSize);
        if (!std::equal(sent.begin(), sent.end(), read.begin())) {
            Page wanted{};
            std::copy(sent.begin(), sent.end(), wanted.begin());
            const auto again = [&]() -> std::optional<Page> {
                Page r{};
                return readPage(p.page, r) ? std::optional<Page>(r) : std::nullopt;
            };
            const Reread r = hooks.rereads == 0
                ? Reread::BoxHoldsOther
                : rereadDifference(hooks.rereads, wanted, read, again, std::equal_to<>());
            if (r == Reread::Failed) {
                markFailedRead(link, p.page);
                return stop(true);
            }
            if (r == Reread::BoxHoldsOther) {
                work.confirmed = hooks.rereads > 0;
                noteDifference(p, sent, read, work);
                return stop(false);
            }
        }
        ++work.pagesVerified;
        counters.advance(kReadWeight);
        if (job.device.vcc < 50)
            linkSleep(link, link.timing.lowVccPagePause);
    }
    return work;
}

} // namespace plx71
