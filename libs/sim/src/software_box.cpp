#include "plx71sim/software_box.hpp"

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

SoftwareBox::SoftwareBox(const BoxConfig& config) : config_(config)
{
    config_.bootVersion = versionField(config_.bootVersion);
    job_.firmwareVersion = versionField(config_.firmwareVersion);
}

bool SoftwareBox::busy(Clock::time_point now) const
{
    return faults_.stayBusy || now < busyUntil_;
}

bool SoftwareBox::settingsFit(std::size_t name, std::size_t user, std::size_t boot) const
{
    // The reply body is the code byte plus the record.
    return 1 + WriterSettings::recordSize(name, user, boot) <= kMaxReplyBody;
}

Answer SoftwareBox::reply(std::uint8_t code, const Bytes& payload)
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

Answer SoftwareBox::onBadChecksum(std::span<const std::uint8_t> frame, Clock::time_point now)
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
    keep(std::move(rc));
    return a;
}

void SoftwareBox::keep(ReceivedCommand rc)
{
    if (config_.keepReceived == 0)
        return;
    // Half the kept ones go at once, so dropping costs little per request.
    if (received_.size() >= config_.keepReceived)
        received_.erase(received_.begin(), received_.begin() + std::ptrdiff_t(received_.size() / 2 + 1));
    received_.push_back(std::move(rc));
}

Answer SoftwareBox::onFrame(std::uint8_t code, std::span<const std::uint8_t> payload, Clock::time_point now)
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
        // A download in progress: the stored job is whole again only at its commit.
        if (a.jobChanged && code != cmd::DownloadCommit && code != cmd::LoadPrepare && code != cmd::LoadWritePage)
            job_.complete = false;
    }
    // The acknowledge of a rate switch still goes out at the old rate.
    a.sendRate = rc.rate;
    rc.outcome = a.outcome;
    keep(std::move(rc));
    return a;
}

void SoftwareBox::leaveUnerasedPages()
{
    for (std::uint16_t page : faults_.unerasedPages) {
        if (page < kBootPageBit)
            job_.pages[page].fill(0x00);
    }
}

// The box's commands, one small handler each. The table below checks the
// payload length before a handler runs; a handler checks the fields.
struct BoxCommands {
    using P = std::span<const std::uint8_t>;
    using Handler = Answer (*)(SoftwareBox& box, std::uint8_t code, P p, Clock::time_point now);

    static Answer setLinkRate(SoftwareBox& box, std::uint8_t, P p, Clock::time_point)
    {
        const auto r = rateForCode(p[0]);
        if (!r)
            return nak();
        box.rate_ = *r;
        return ackOnly();
    }

    static Answer loadEnter(SoftwareBox& box, std::uint8_t, P, Clock::time_point)
    {
        box.loader_ = SoftwareBox::Loader::Entered;
        return ackOnly();
    }

    static Answer loadPrepare(SoftwareBox& box, std::uint8_t, P, Clock::time_point)
    {
        if (box.loader_ == SoftwareBox::Loader::Off)
            return nak();
        box.loader_ = SoftwareBox::Loader::Prepared;
        box.job_.firmware.clear(); // the firmware area is erased before loading
        box.loadingVersion_.clear();
        return changed(false);
    }

    static Answer loadWritePage(SoftwareBox& box, std::uint8_t, P p, Clock::time_point)
    {
        const std::uint16_t page = u16(p, 0);
        if (box.loader_ != SoftwareBox::Loader::Prepared || page < kFirmwareFirstPage || page > kFirmwareLastPage
            || box.faults_.failPages.count(page))
            return nak();
        Page data;
        std::copy(p.begin() + 2, p.end(), data.begin());
        box.job_.firmware[page] = data;
        // The new firmware's version text sits at the start of its area; the
        // box runs it only once the last page is in.
        if (page == kFirmwareFirstPage)
            box.loadingVersion_.assign(data.begin(), data.begin() + kVersionSize);
        if (page == kFirmwareLastPage && !box.loadingVersion_.empty()) {
            box.job_.firmwareVersion = box.loadingVersion_;
            box.loadingVersion_.clear();
        }
        return changed(page == kFirmwareLastPage);
    }

    static Answer readVersions(SoftwareBox& box, std::uint8_t code, P, Clock::time_point)
    {
        Bytes v(box.config_.bootVersion.begin(), box.config_.bootVersion.end());
        v.insert(v.end(), box.job_.firmwareVersion.begin(), box.job_.firmwareVersion.end());
        return box.reply(code, v);
    }

    static Answer setDevice(SoftwareBox& box, std::uint8_t, P p, Clock::time_point)
    {
        WriterSettings& s = box.job_.settings;
        const auto name = lengthText(p.subspan(10));
        if (!name || !box.settingsFit(name->size(), s.userFileName.size(), s.bootFileName.size()))
            return nak();
        std::copy(p.begin(), p.begin() + 10, s.device.begin());
        s.deviceName = *name;
        return changed(true);
    }

    static Answer setFileName(SoftwareBox& box, std::uint8_t code, P p, Clock::time_point)
    {
        WriterSettings& s = box.job_.settings;
        const auto name = lengthText(p);
        if (!name)
            return nak();
        const bool user = code == cmd::SetUserFileName;
        const std::size_t u = user ? name->size() : s.userFileName.size();
        const std::size_t b = user ? s.bootFileName.size() : name->size();
        if (!box.settingsFit(s.deviceName.size(), u, b))
            return nak();
        (user ? s.userFileName : s.bootFileName) = *name;
        return changed(true);
    }

    // The one-byte settings: update enable, target rate, lock bits,
    // operation blocks.
    static Answer setByte(SoftwareBox& box, std::uint8_t code, P p, Clock::time_point)
    {
        WriterSettings& s = box.job_.settings;
        std::uint8_t& field = code == cmd::SetUpdateEnable ? s.updateEnable
            : code == cmd::SetTargetRate                   ? s.targetRateCode
            : code == cmd::SetLockBits                     ? s.lockBits
                                                           : s.operationBlocks;
        field = p[0];
        return changed(true);
    }

    static Answer setCheckId(SoftwareBox& box, std::uint8_t, P p, Clock::time_point)
    {
        std::copy(p.begin(), p.end(), box.job_.settings.checkId.begin());
        return changed(true);
    }

    static Answer eraseBlocks(SoftwareBox& box, std::uint8_t, P p, Clock::time_point now)
    {
        const std::uint32_t mask = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
        if (mask != 0) {
            // The whole stored User ROM is blanked; Boot ROM pages are only
            // ever replaced by writes.
            box.job_.pages.erase(box.job_.pages.begin(), box.job_.pages.lower_bound(kBootPageBit));
        }
        box.startBusy(now);
        return changed(true);
    }

    static Answer writePage(SoftwareBox& box, std::uint8_t, P p, Clock::time_point now)
    {
        const std::uint16_t page = u16(p, 0);
        if (page >= kPageCount || box.faults_.failPages.count(page))
            return nak();
        Page data;
        std::copy(p.begin() + 2, p.end(), data.begin());
        box.job_.pages[page] = data;
        if (page & kBootPageBit)
            box.startBusy(now);
        return changed(false);
    }

    static Answer readPage(SoftwareBox& box, std::uint8_t code, P p, Clock::time_point)
    {
        const std::uint16_t page = u16(p, 0);
        if (page >= kPageCount)
            return nak();
        Page data = box.job_.page(page);
        if (auto flip = box.faults_.flipReads.find(page); flip != box.faults_.flipReads.end())
            data[flip->second] = static_cast<std::uint8_t>(~data[flip->second]);
        return box.reply(code, Bytes(data.begin(), data.end()));
    }

    static Answer readStatus(SoftwareBox& box, std::uint8_t code, P, Clock::time_point now)
    {
        return box.reply(code, Bytes{static_cast<std::uint8_t>(box.busy(now) ? 0x80 : 0x00)});
    }

    static Answer downloadCommit(SoftwareBox& box, std::uint8_t, P, Clock::time_point now)
    {
        box.startBusy(now);
        box.job_.complete = true;
        return changed(true);
    }

    static Answer readSettings(SoftwareBox& box, std::uint8_t code, P, Clock::time_point)
    {
        const Faults& f = box.faults_;
        const WriterSettings& s = box.job_.settings;
        const bool holdsJob = !f.noSettings && box.job_.complete;
        if (!f.alterSetting.empty())
            return box.reply(code, alteredSettings(s, f.alterSetting).record(holdsJob));
        return box.reply(code, s.record(holdsJob));
    }

    static Answer downloadEnd(SoftwareBox&, std::uint8_t, P, Clock::time_point) { return checkpoint(); }

    static Answer checkpoint()
    {
        Answer a = ackOnly();
        a.checkpoint = true;
        return a;
    }

    // Payload lengths: exact, or at least `minimum` when `exact` is false.
    struct Entry {
        std::uint8_t code;
        std::size_t length;
        bool exact;
        Handler run;
    };

    static constexpr Entry kTable[] = {
        {cmd::SetLinkRate, 1, true, setLinkRate},
        {cmd::LoadEnter, 0, true, loadEnter},
        {cmd::LoadWritePage, 2 + kPageSize, true, loadWritePage},
        {cmd::ReadVersions, 0, true, readVersions},
        {cmd::LoadPrepare, 0, true, loadPrepare},
        {cmd::SetDevice, 11, false, setDevice},
        {cmd::SetUserFileName, 0, false, setFileName},
        {cmd::SetBootFileName, 0, false, setFileName},
        {cmd::SetUpdateEnable, 1, true, setByte},
        {cmd::EraseBlocks, 4, true, eraseBlocks},
        {cmd::WritePage, 2 + kPageSize, true, writePage},
        {cmd::ReadPage, 2, true, readPage},
        {cmd::SetCheckId, 7, true, setCheckId},
        {cmd::SetTargetRate, 1, true, setByte},
        {cmd::SetLockBits, 1, true, setByte},
        {cmd::SetOperationBlocks, 1, true, setByte},
        {cmd::ReadStatus, 0, true, readStatus},
        {cmd::DownloadCommit, 0, true, downloadCommit},
        {cmd::ReadSettings, 0, true, readSettings},
        {cmd::DownloadEnd, 0, true, downloadEnd},
    };
};

Answer SoftwareBox::execute(std::uint8_t code, std::span<const std::uint8_t> p, Clock::time_point now)
{
    for (const BoxCommands::Entry& e : BoxCommands::kTable) {
        if (e.code != code)
            continue;
        const bool lengthOk = e.exact ? p.size() == e.length : p.size() >= e.length;
        return lengthOk ? e.run(*this, code, p, now) : nak();
    }
    return nak(); // a code the box does not know
}

} // namespace plx71sim
