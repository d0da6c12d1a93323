#include "plx71sim/writer_box.hpp"

#include <algorithm>

namespace plx71sim {
namespace {

std::uint16_t u16(std::span<const std::uint8_t> p, std::size_t at)
{
    return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
}

Answer ackOnly()
{
    Answer a;
    a.bytes = {kAck};
    a.outcome = Outcome::Acked;
    return a;
}

Answer nak(Outcome why = Outcome::Rejected)
{
    Answer a;
    a.bytes = {kNak};
    a.outcome = why;
    return a;
}

Answer changed(bool checkpoint)
{
    Answer a = ackOnly();
    a.jobChanged = true;
    a.checkpoint = checkpoint;
    return a;
}

// A length-prefixed text: u8 n, then exactly n bytes.
std::optional<std::string> lengthText(std::span<const std::uint8_t> p)
{
    if (p.empty() || p[0] != p.size() - 1)
        return std::nullopt;
    return std::string(p.begin() + 1, p.end());
}

bool isPageWrite(std::uint8_t code)
{
    return code == cmd::EraseBlocks || code == cmd::WritePage || code == cmd::LoadWritePage
        || code == cmd::DownloadCommit;
}

} // namespace

WriterBox::WriterBox(const BoxConfig& config) : config_(config)
{
    config_.bootVersion = versionField(config_.bootVersion);
    job_.firmwareVersion = versionField(config_.firmwareVersion);
}

bool WriterBox::busy(Clock::time_point now) const
{
    return faults_.stayBusy || now < busyUntil_;
}

bool WriterBox::settingsFit(std::size_t name, std::size_t user, std::size_t boot) const
{
    // The reply body is the code byte plus the record.
    return 1 + WriterSettings::recordSize(name, user, boot) <= kMaxReplyBody;
}

Answer WriterBox::reply(std::uint8_t code, const Bytes& payload)
{
    Answer a;
    a.bytes = {kAck};
    Bytes frame = makeFrame(code, payload);
    if (faults_.corruptReplies > 0) {
        --faults_.corruptReplies;
        frame.back() = static_cast<std::uint8_t>(frame.back() + 1);
    }
    a.bytes.insert(a.bytes.end(), frame.begin(), frame.end());
    a.hasReply = true;
    a.outcome = Outcome::Replied;
    return a;
}

Answer WriterBox::onBadChecksum(std::span<const std::uint8_t> frame, Clock::time_point now)
{
    ReceivedCommand rc;
    rc.code = frame.size() > 2 ? frame[2] : 0;
    if (frame.size() > 4)
        rc.payload.assign(frame.begin() + 3, frame.end() - 1);
    rc.busy = busy(now);
    rc.rate = rate_;
    rc.when = now;
    Answer a = faults_.silent ? Answer{} : nak(Outcome::BadChecksum);
    if (faults_.silent)
        a.outcome = Outcome::FaultSilent;
    a.sendRate = rate_;
    rc.outcome = a.outcome;
    received_.push_back(std::move(rc));
    return a;
}

Answer WriterBox::onFrame(std::uint8_t code, std::span<const std::uint8_t> payload, Clock::time_point now)
{
    ReceivedCommand rc;
    rc.code = code;
    rc.payload.assign(payload.begin(), payload.end());
    rc.busy = busy(now);
    rc.rate = rate_;
    rc.when = now;

    Answer a;
    if (faults_.silent) {
        a.outcome = Outcome::FaultSilent;
    } else if (faults_.dropAcks > 0) {
        --faults_.dropAcks;
        a.outcome = Outcome::FaultDropped;
    } else if (faults_.naks > 0) {
        --faults_.naks;
        a = nak(Outcome::FaultNak);
    } else if (config_.strictBusy && rc.busy && isPageWrite(code)) {
        a = nak();
    } else {
        a = execute(code, payload, now);
        if (code == cmd::EraseBlocks && a.outcome == Outcome::Acked)
            leaveUnerasedPages();
    }
    // The acknowledge of a rate switch still goes out at the old rate.
    a.sendRate = rc.rate;
    rc.outcome = a.outcome;
    received_.push_back(std::move(rc));
    return a;
}

void WriterBox::leaveUnerasedPages()
{
    for (std::uint16_t page : faults_.unerasedPages) {
        if (page < kBootPageBit)
            job_.pages[page].fill(0x00);
    }
}

Answer WriterBox::execute(std::uint8_t code, std::span<const std::uint8_t> p, Clock::time_point now)
{
    auto& s = job_.settings;
    switch (code) {
    case cmd::SetLinkRate: {
        if (p.size() != 1)
            return nak();
        auto r = rateForCode(p[0]);
        if (!r)
            return nak();
        rate_ = *r;
        return ackOnly();
    }
    case cmd::LoadEnter:
        if (!p.empty())
            return nak();
        loader_ = Loader::Entered;
        return ackOnly();
    case cmd::LoadPrepare:
        if (!p.empty() || loader_ == Loader::Off)
            return nak();
        loader_ = Loader::Prepared;
        job_.firmware.clear(); // the firmware area is erased before loading
        return changed(false);
    case cmd::LoadWritePage: {
        if (p.size() != 2 + kPageSize || loader_ != Loader::Prepared)
            return nak();
        const std::uint16_t page = u16(p, 0);
        if (page < kFirmwareFirstPage || page > kFirmwareLastPage)
            return nak();
        if (faults_.failPages.count(page))
            return nak();
        Page data;
        std::copy(p.begin() + 2, p.end(), data.begin());
        job_.firmware[page] = data;
        // The new firmware's version text sits at the start of its area.
        if (page == kFirmwareFirstPage)
            job_.firmwareVersion.assign(data.begin(), data.begin() + kVersionSize);
        return changed(page == kFirmwareLastPage);
    }
    case cmd::ReadVersions: {
        if (!p.empty())
            return nak();
        Bytes v(config_.bootVersion.begin(), config_.bootVersion.end());
        v.insert(v.end(), job_.firmwareVersion.begin(), job_.firmwareVersion.end());
        return reply(code, v);
    }
    case cmd::SetDevice: {
        if (p.size() < 11)
            return nak();
        auto name = lengthText(p.subspan(10));
        if (!name || !settingsFit(name->size(), s.userFileName.size(), s.bootFileName.size()))
            return nak();
        std::copy(p.begin(), p.begin() + 10, s.device.begin());
        s.deviceName = *name;
        return changed(true);
    }
    case cmd::SetUserFileName:
    case cmd::SetBootFileName: {
        auto name = lengthText(p);
        if (!name)
            return nak();
        const bool user = code == cmd::SetUserFileName;
        const std::size_t u = user ? name->size() : s.userFileName.size();
        const std::size_t b = user ? s.bootFileName.size() : name->size();
        if (!settingsFit(s.deviceName.size(), u, b))
            return nak();
        (user ? s.userFileName : s.bootFileName) = *name;
        return changed(true);
    }
    case cmd::SetUpdateEnable:
        if (p.size() != 1)
            return nak();
        s.updateEnable = p[0];
        return changed(true);
    case cmd::EraseBlocks: {
        if (p.size() != 4)
            return nak();
        const std::uint32_t mask = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
        if (mask != 0) {
            // The whole stored User ROM is blanked; Boot ROM pages are only
            // ever replaced by writes.
            job_.pages.erase(job_.pages.begin(), job_.pages.lower_bound(kBootPageBit));
        }
        startBusy(now);
        return changed(true);
    }
    case cmd::WritePage: {
        if (p.size() != 2 + kPageSize)
            return nak();
        const std::uint16_t page = u16(p, 0);
        if (page >= kPageCount || faults_.failPages.count(page))
            return nak();
        Page data;
        std::copy(p.begin() + 2, p.end(), data.begin());
        job_.pages[page] = data;
        if (page & kBootPageBit)
            startBusy(now);
        return changed(false);
    }
    case cmd::ReadPage: {
        if (p.size() != 2)
            return nak();
        const std::uint16_t page = u16(p, 0);
        if (page >= kPageCount)
            return nak();
        Page data = job_.page(page);
        if (auto flip = faults_.flipReads.find(page); flip != faults_.flipReads.end())
            data[flip->second] = static_cast<std::uint8_t>(~data[flip->second]);
        return reply(code, Bytes(data.begin(), data.end()));
    }
    case cmd::SetCheckId:
        if (p.size() != 7)
            return nak();
        std::copy(p.begin(), p.end(), s.checkId.begin());
        return changed(true);
    case cmd::SetTargetRate:
        if (p.size() != 1)
            return nak();
        s.targetRateCode = p[0];
        return changed(true);
    case cmd::SetLockBits:
        if (p.size() != 1)
            return nak();
        s.lockBits = p[0];
        return changed(true);
    case cmd::SetOperationBlocks:
        if (p.size() != 1)
            return nak();
        s.operationBlocks = p[0];
        return changed(true);
    case cmd::ReadStatus:
        if (!p.empty())
            return nak();
        return reply(code, Bytes{static_cast<std::uint8_t>(busy(now) ? 0x80 : 0x00)});
    case cmd::DownloadCommit: {
        if (!p.empty())
            return nak();
        startBusy(now);
        Answer a = ackOnly();
        a.checkpoint = true;
        return a;
    }
    case cmd::ReadSettings:
        if (!p.empty())
            return nak();
        if (!faults_.alterSetting.empty())
            return reply(code, alteredSettings(s, faults_.alterSetting).record(!faults_.noSettings));
        return reply(code, s.record(!faults_.noSettings));
    case cmd::DownloadEnd: {
        if (!p.empty())
            return nak();
        Answer a = ackOnly();
        a.checkpoint = true;
        return a;
    }
    default:
        return nak();
    }
}

} // namespace plx71sim
