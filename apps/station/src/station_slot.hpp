#pragma once
// One slot of the station, without any widget: the port and label the
// operator gave it, where its job stands, whether its box is there, what its
// jobs came to, and the runner that does its job.
#include "slot_runner.hpp"

#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"

#include <QString>

#include <memory>

namespace plx71::station {

// The words a tile and its accessible name show; never colour alone.
// A check ends "Holds job" or "Differs" where a job ends "Verified".
enum class SlotState { Idle, Running, Verified, Failed, Cancelled, NoBox, HoldsJob, Differs };
QString stateWord(SlotState state);
// Where a job that ended leaves its slot: a port that is not there is "No
// box", Cancel is "Cancelled", a verified success "Verified", all else
// "Failed".
SlotState stateAfter(const BoxOutcome& outcome);
// Failed, Cancelled and Differs stay until the operator starts the slot
// again or its box is served again, whether the box is there or not.
inline bool keepsResult(SlotState state)
{
    return state == SlotState::Failed || state == SlotState::Cancelled || state == SlotState::Differs;
}

// The word for where a job is: "connect", "erase", "pages", "read-back"...
QString phaseText(ProgressPhase phase);

struct SlotConfig {
    QString spec;  // what --port takes: a path, by-id name, usb:..., COMn, a station port
    QString label; // the operator's name for the slot; may be empty
};

struct SlotCounters {
    int passed = 0;
    int failed = 0;
    int cancelled = 0;
};

// The last job that ended, or the last start that was refused.
struct SlotLastJob {
    SlotState state = SlotState::Idle; // where it left the slot
    QString when;                      // "HH:mm:ss (12.3 s)", "-" for a refused start; empty before any
    QString outcomeClass;              // "verify-mismatch"; empty on success
    QString cause;                     // why it failed, in one line
    QString finished;                  // what a recovering job took ("finished at 57600 bit/s ...")
    bool check = false;                // it was a check: Retry failed checks again
};

struct StationSlot {
    SlotConfig config;
    QString portIdentity; // the port as given and, when it differs, the device it names
    SlotState state = SlotState::Idle;
    bool present = false;
    bool served = false; // auto mode served this appearance
    SlotCounters counters;
    SlotProgress progress;
    SlotLastJob last;
    std::unique_ptr<SlotRunner> runner = std::make_unique<SlotRunner>();

    bool running() const { return runner->running(); }
    // The state word, and beside it a box that is not there: "Failed · no box".
    QString stateText() const;
};

} // namespace plx71::station
