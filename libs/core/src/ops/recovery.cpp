#include "recovery.hpp"

#include "link/link_sequences.hpp"

#include <algorithm>

namespace plx71::ops_detail {

namespace {

struct FailureMarks {
    std::uint8_t command = 0;
    std::uint16_t page = 0;
    bool hasPage = false;
    BoxReply reply = BoxReply::None;
};

FailureMarks marksOf(const WriterLink& link)
{
    return {link.failedCommand, link.failedPage, link.failedCommandHasPage, link.failedReply};
}

void restoreMarks(WriterLink& link, const FailureMarks& m)
{
    link.failedCommand = m.command;
    link.failedPage = m.page;
    link.failedCommandHasPage = m.hasPage;
    link.failedReply = m.reply;
}

} // namespace

Recovery::Recovery(SessionRun& run, const RecoveryPolicy& policy, LinkRate rate)
    : link_(run.link()), policy_(policy), outcome_(run.outcome()), rate_(rate), attempts_(link_.frameAttempts)
{
    if (!on())
        return;
    outcome_.recovery = true;
    run.holdLinkFailures();
    link_.frameAttempts = policy_.frameAttempts;
}

Recovery::~Recovery()
{
    link_.frameAttempts = attempts_;
}

bool Recovery::retry(const std::function<bool()>& step, const std::function<bool()>& stop)
{
    for (;;) {
        if (step()) {
            if (on()) {
                stalled_ = false;
                link_.failedCommand = 0; // the failures on the way were mended
            }
            return true;
        }
        if (!on())
            return false;
        const FailureMarks failed = marksOf(link_);
        if (!resync(stop)) {
            restoreMarks(link_, failed);
            return false;
        }
    }
}

bool Recovery::resync(const std::function<bool()>& stop)
{
    // A box that is not found again may be back a moment later: each try
    // counts against the bound.
    while (outcome_.resyncs < policy_.maxResyncs && !(stop && stop())) {
        ++outcome_.resyncs;
        // A resync that brought no step through: the line does not work at
        // this rate, so the next one tries a lower one.
        if (stalled_)
            rate_ = oneRateLower(rate_);
        stalled_ = true;
        if (reconnect(stop))
            return true;
    }
    return false;
}

bool Recovery::restart(const std::function<bool()>& stop)
{
    if (!on() || outcome_.restarts >= policy_.maxRestarts || (stop && stop()))
        return false;
    ++outcome_.restarts;
    if (outcome_.restarts >= 2)
        rate_ = oneRateLower(rate_);
    stalled_ = false;
    return reconnect(stop);
}

bool Recovery::reconnect(const std::function<bool()>& stop)
{
    const int oldRate = link_.currentRate;
    const int newRate = bitRate(rate_);
    // Back to 9600 while the box may still hear the old rate. Whether the
    // acknowledge came or not, the box is then at 9600 or the old rate; or
    // at the new one, when a switch went through and only its acknowledge
    // was lost.
    switchLinkRate(link_, kRestingLinkRate);
    int tried[3] = {};
    int count = 0;
    for (const int rate : {bitRate(kRestingLinkRate), newRate, oldRate}) {
        if (std::find(tried, tried + count, rate) != tried + count)
            continue;
        tried[count++] = rate;
        if (stop && stop())
            return false;
        if (!openLink(link_, rate))
            return false; // the port itself is gone
        if (switchLinkRate(link_, rate_)) {
            outcome_.linkRate = newRate;
            link_.failedCommand = 0;
            return true;
        }
    }
    return false;
}

bool readVersionsRecovering(SessionRun& run, Recovery& recovery, const std::function<bool()>& stop)
{
    if (!recovery.on())
        return run.readAndCheckVersions();
    if (!recovery.retry([&run] { return cmdReadVersions(run.link()); }, stop)) {
        run.linkFailed();
        return false;
    }
    return run.checkVersions();
}

} // namespace plx71::ops_detail
