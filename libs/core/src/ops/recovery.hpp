#pragma once
// A job's way back after a failure on a noisy line: resyncs (back to 9600
// bit/s, then to the job's rate) before a read goes on, restarts of a
// download, and the rate they run at. Off, it does nothing and lets every
// failure stand, so the box sees the frames it always saw.
#include "link/box_link.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/box_session.hpp"
#include "session_run.hpp"

#include <functional>

namespace plx71::ops_detail {

class Recovery {
public:
    // While on, the run holds the link's failures (a retried read is not
    // the user's concern; one that stands is shown at the run's end) and
    // the link makes policy.frameAttempts per frame; the destructor gives
    // the attempts back.
    Recovery(SessionRun& run, const RecoveryPolicy& policy, LinkRate rate);
    ~Recovery();
    Recovery(const Recovery&) = delete;
    Recovery& operator=(const Recovery&) = delete;

    bool on() const { return policy_.on; }
    LinkRate rate() const { return rate_; }
    const RecoveryPolicy& policy() const { return policy_; }

    // Runs `step`; while it fails and the bound allows, resyncs and runs it
    // again. `stop` (Cancel, a signal) ends the tries at once. A failure
    // that stands keeps the marks of the step, not of the resync. A step the
    // box refuses (NAK to every attempt) again after a resync is the box's
    // fault, not the line's: it stands at once, and no restart follows.
    bool retry(const std::function<bool()>& step, const std::function<bool()>& stop);
    // One more try of a download: counted, from the second one on a rate
    // lower, then back in step with the box; the progress says so ("restart
    // 2 of 5, 57600 bit/s"). False when the bound is used up, Cancel came,
    // the box cannot be reached or a box fault was found.
    bool restart(const std::function<bool()>& stop);

private:
    enum class Found { Box, Silent, Lost };
    bool resync(const std::function<bool()>& stop);
    Found reconnect(const std::function<bool()>& stop);
    bool findBox(const std::function<bool()>& stop);

    SessionRun& run_;
    BoxLink& link_;
    RecoveryPolicy policy_;
    BoxOutcome& outcome_;
    LinkRate rate_;
    int attempts_;
    bool stalled_ = false;  // no step came through since the last resync
    bool boxFault_ = false; // a step refused again after a resync
    int silentResyncs_ = 0; // resyncs in a row that heard nothing at any rate
};

// SessionRun::readAndCheckVersions; while recovering, a failed query is
// retried after a resync.
bool readVersionsRecovering(SessionRun& run, Recovery& recovery, const std::function<bool()>& stop);

} // namespace plx71::ops_detail
