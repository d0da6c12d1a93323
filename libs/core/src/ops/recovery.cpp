#include "recovery.hpp"

#include "link/link_sequences.hpp"

#include <algorithm>
#include <string>

namespace plx71::ops_detail {

namespace {

struct FailureMarks {
    std::uint8_t command = 0;
    std::uint16_t page = 0;
    bool hasPage = false;
    BoxReply reply = BoxReply::None;
};

FailureMarks marksOf(const BoxLink& link)
{
    return {link.failedCommand, link.failedPage, link.failedCommandHasPage, link.failedReply};
}

void restoreMarks(BoxLink& link, const FailureMarks& m)
{
    link.failedCommand = m.command;
    link.failedPage = m.page;
    link.failedCommandHasPage = m.hasPage;
    link.failedReply = m.reply;
}

// Resyncs in a row that heard nothing from the box at any rate, after which
// it is taken for gone: a box that stops mid-job ends the job within seconds.
constexpr int kMostSilentResyncs = 2;

// Frames of a kind mostly came through: at least twenty were sent, and
// fewer than half of them failed. Then ten refusals in a row, twice, are
// no noise (below 1e-6).
bool lineMostlyGood(const BoxLink::AttemptCount& before)
{
    return before.sent >= 20 && before.failed * 2 < before.sent;
}

} // namespace

Recovery::Recovery(SessionRun& run, const RecoveryPolicy& policy, LinkRate rate)
    : run_(run), link_(run.link()), policy_(policy), outcome_(run.outcome()), rate_(rate),
      attempts_(link_.frameAttempts)
{
    if (!on())
        return;
    outcome_.recovery = true;
    run.holdLinkFailures();
    link_.frameAttempts = policy_.frameAttempts;
    link_.recovering = true;
    link_.parityMarksMissed = false;
    link_.pageFrames = link_.smallFrames = {};
}

Recovery::~Recovery()
{
    link_.frameAttempts = attempts_;
    link_.recovering = false;
}

bool Recovery::retry(const std::function<bool()>& step, const std::function<bool()>& stop)
{
    bool refused = false; // the box refused the step before the last resync
    for (;;) {
        const BoxLink::AttemptCount pages = link_.pageFrames, small = link_.smallFrames;
        if (step()) {
            if (on()) {
                stalled_ = false;
                link_.failedCommand = 0; // the failures on the way were mended
            }
            return true;
        }
        if (!on())
            return false;
        // Noise does not repeat itself; a box that says no does: refused
        // again after a resync, on a line where frames like it mostly came
        // through.
        const bool pageFrame = link_.pageFrames.sent != pages.sent;
        boxFault_ = boxFault_ || (refused && link_.lastFrameRefused && lineMostlyGood(pageFrame ? pages : small));
        refused = link_.lastFrameRefused;
        const FailureMarks failed = marksOf(link_);
        if (boxFault_ || !resync(stop)) {
            restoreMarks(link_, failed);
            return false;
        }
    }
}

bool Recovery::resync(const std::function<bool()>& stop)
{
    // A box that is not found again may be back a moment later: each try
    // counts against the bound, but one silent at every rate twice is gone.
    while (outcome_.resyncs < policy_.maxResyncs && silentResyncs_ < kMostSilentResyncs && !(stop && stop())) {
        ++outcome_.resyncs;
        // A resync that brought no step through: the line does not work at
        // this rate, so the next one tries a lower one.
        if (stalled_)
            rate_ = oneRateLower(rate_);
        stalled_ = true;
        const Found found = reconnect(stop);
        silentResyncs_ = found == Found::Silent ? silentResyncs_ + 1 : 0;
        if (found == Found::Box)
            return true;
    }
    return false;
}

bool Recovery::restart(const std::function<bool()>& stop)
{
    if (!on() || boxFault_ || silentResyncs_ >= kMostSilentResyncs || outcome_.restarts >= policy_.maxRestarts
        || (stop && stop()))
        return false;
    ++outcome_.restarts;
    if (outcome_.restarts >= 2)
        rate_ = oneRateLower(rate_);
    stalled_ = false;
    run_.note("restart " + std::to_string(outcome_.restarts) + " of " + std::to_string(policy_.maxRestarts) + ", "
              + std::to_string(bitRate(rate_)) + " bit/s");
    const Found found = reconnect(stop);
    silentResyncs_ = found == Found::Silent ? silentResyncs_ + 1 : 0;
    return found == Found::Box;
}

Recovery::Found Recovery::reconnect(const std::function<bool()>& stop)
{
    // Whether anything acknowledged on the way tells a silent box from one
    // that answers but will not move.
    const bool answeredBefore = link_.boxAnswered;
    link_.boxAnswered = false;
    const bool found = findBox(stop);
    const bool heard = link_.boxAnswered;
    link_.boxAnswered = answeredBefore || heard;
    if (found)
        return Found::Box;
    return heard ? Found::Lost : Found::Silent;
}

bool Recovery::findBox(const std::function<bool()>& stop)
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
            return false; // the port itself is gone: as silent as a box
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
