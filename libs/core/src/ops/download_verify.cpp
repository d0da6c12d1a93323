#include "ops/download_verify.hpp"

#include "plx71/job/job_actions.hpp"

#include <algorithm>

namespace plx71 {

namespace {

constexpr std::int32_t kReadWeight = 256;

} // namespace

WriterSettings expectedSettings(const WriterState& state, const JobSettings& job)
{
    const DeviceRecord& d = state.currentDevice;
    WriterSettings s;
    s.bootRomStartPage = std::uint16_t(d.bootRomStart >> 8);
    s.bootRomSizeKiB = std::uint16_t(d.bootRomSize >> 10);
    s.userRomStartPage = std::uint16_t(d.userRomStart >> 8);
    s.userRomSizeKiB = std::uint16_t(d.userRomSize >> 10);
    s.blockCount = std::uint8_t(d.lastBlock + 1);
    s.voltageCodes = std::uint8_t((voltageCode(d.vpp) << 4) | voltageCode(d.vcc));
    s.deviceName = d.name;
    s.updateEnable = std::uint8_t(job.updateEnable != 0);
    s.userRomFileName = job.userRomFileName;
    s.bootRomFileName = job.bootRomFileName;
    std::copy(job.idCode.begin(), job.idCode.end(), s.checkId.begin());
    s.targetRateCode = std::uint8_t(job.targetBaudIndex + 1);
    s.lockBitMask = lockBitMask(state, job);
    s.operationBlockMask = operationBlockMask(state, job);
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

VerifyWork verifyWorker(WriterLink& link, const DownloadData& data, const WriterSettings& expected,
                        const std::vector<PlannedPage>& pages, ProgressCounters& counters, FileNameCheck names)
{
    VerifyWork work;
    const auto stop = [&counters, &work](bool failed) {
        work.commandFailed = failed;
        counters.abort();
        return work;
    };
    const auto settings = cmdReadSettings(link);
    if (!settings)
        return stop(true);
    if (!settings->holdsSettings()) {
        work.settingsMissing = true;
        return stop(false);
    }
    work.difference.field = firstSettingsDifference(expected, *settings, names);
    if (work.difference.any())
        return stop(false);
    counters.advance(kReadWeight);

    std::array<std::uint8_t, kPageSize> read{};
    for (const PlannedPage& p : pages) {
        if (!counters.running())
            break;
        const auto image = p.area == Area::UserRom ? data.userImage : data.bootImage;
        if (std::size_t(p.offset) + kPageSize > image.size() || !cmdReadPage(link, p.page, read))
            return stop(true);
        const auto sent = image.subspan(p.offset, kPageSize);
        const auto [at, other] = std::mismatch(sent.begin(), sent.end(), read.begin());
        if (at != sent.end()) {
            const auto index = std::uint32_t(at - sent.begin());
            work.difference.address = p.address + index;
            work.difference.expected = *at;
            work.difference.found = *other;
            return stop(false);
        }
        ++work.pagesVerified;
        counters.advance(kReadWeight);
        if (data.device.vcc < 50)
            linkSleep(link, link.timing.lowVccPagePause);
    }
    return work;
}

} // namespace plx71
