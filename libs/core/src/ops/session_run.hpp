#pragma once
// One operation of a box session, from the connect to the close: the
// outcome being built, its clock, the sink, and the steps every operation
// is made of. The run remembers what it owes the box (the way back to 9600
// bit/s, the close) and pays it on every way out: rest(), finish() or, when
// neither ran, its destructor.
#include "link/writer_commands.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/port/port_choice.hpp"
#include "plx71/transfer/progress_counters.hpp"

#include <chrono>
#include <functional>
#include <optional>
#include <string_view>

namespace plx71::ops_detail {

// "CMD_WRITE_PAGE" for 0x15; empty for a code we never send.
std::string_view commandName(std::uint8_t code);

class SessionRun {
public:
    // Points the link at the port choice and clears its failure marks.
    SessionRun(Ui& ui, BoxLink& link, const PortChoice& port, ProgressSink* sink);
    SessionRun(const SessionRun&) = delete;
    SessionRun& operator=(const SessionRun&) = delete;
    // A run left by an exception still brings the box back to rest.
    ~SessionRun();

    BoxOutcome& outcome() { return outcome_; }
    Ui& ui() { return ui_; }
    BoxLink& link() { return link_; }

    void phase(ProgressPhase p);
    // A word beside the phase (ProgressSink::phaseNote).
    void note(const std::string& text);
    // Cancel asked between steps (Ctrl-C, a signal): outcome Cancelled.
    bool cancelled();

    // Opens the port at 9600 bit/s. When it cannot be opened: "COM%d cannot
    // be used" with the cause as its detail, and the port class as outcome.
    // Once open, the run closes it at its end.
    bool connect();
    // switchLinkRate to `rate`; once moved, the run brings the box back
    // to 9600 bit/s at its end.
    bool switchRate(LinkRate rate);
    // connect, then switchRate; a refused switch closes the port (the box
    // still rests at 9600).
    bool connectAtRate(LinkRate rate);
    // CMD_READ_VERSIONS, then the first-4-characters check against the
    // control program's version ("Firmware Version is different").
    bool readAndCheckVersions();
    // The check of readAndCheckVersions on the versions the link holds.
    bool checkVersions();

    // A transfer under the sink's progress display: the counters start at
    // `total`, `body` runs on the sink's worker, and a command that failed
    // in it is shown from there, while the display is still up. True when
    // the display saw the body through to its end.
    bool transfer(const TransferView& view, ProgressCounters& counters, std::int32_t total,
                  const std::function<void()>& body);

    // The link recorded a failed command: no answer when the box never
    // acknowledged anything, else a communication error naming it.
    void communicationFailed();
    // communicationFailed, and its message now (showLinkFailures).
    void linkFailed();
    // Each failure the link recorded since the last look gets its message
    // now: a command the job goes on after, too. Held while a recovery is
    // on (holdLinkFailures).
    void showLinkFailures();
    // A recovering job retries what fails: no failure of the link is shown
    // on the way, and a communication error that stands is shown once, at
    // the end.
    void holdLinkFailures() { holdLinkFailures_ = true; }
    void fail(OutcomeClass kind) { outcome_.kind = kind; }
    // The outcome's failure, shown now (Ui::operationFailed); the end does
    // not show it again.
    void showFailure();

    // What the run owes the box, now, once: a box moved to another rate goes
    // back to 9600 bit/s (switchLinkRate to 0; a failed switch makes a
    // successful outcome a communication error), then the port closes. A
    // box that never left 9600 is only closed.
    void rest();

    // The one end of every operation: rest(), then the failures shown only
    // once the box rests (a verify's difference, "Settings not loaded", a
    // recovering job's communication error), then the outcome with its
    // duration. A communication error the link recorded on the way (an
    // unchecked settings command, a status poll) turns a success into one:
    // the box may not hold what was meant.
    BoxOutcome finish();

private:
    void show(const BoxOutcome& outcome);
    bool shownAtEnd() const;

    Ui& ui_;
    BoxLink& link_;
    ProgressSink* sink_;
    BoxOutcome outcome_;
    enum class Owed { Nothing, Close, RestingRate };
    Owed owed_ = Owed::Nothing;
    int linkFailuresSeen_ = 0; // of link_.failuresRecorded
    bool holdLinkFailures_ = false;
    bool failureShown_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// What the box is busy with, and how long a healthy box may take for it.
struct BusyWait {
    std::uint8_t command = 0;          // the request the box is working on
    std::chrono::milliseconds limit{}; // from LinkTiming
    std::optional<std::uint16_t> page; // its page, for page commands
};

enum class PollOrder { PollFirst, SleepFirst };

// Waiting for the box: CMD_READ_STATUS and the poll sleep (in `order`),
// repeated while the last status read says busy and `keepWaiting` holds.
// Always one poll at least; a failed poll leaves `lastStatus` as it was.
// False when the box still says busy after `wait.limit`: the link then holds
// a failure (BusyTooLong) naming `wait.command`, recorded once.
bool waitWhileBusy(BoxLink& link, std::uint8_t& lastStatus, const std::function<bool()>& keepWaiting,
                   const BusyWait& wait, PollOrder order = PollOrder::PollFirst);

} // namespace plx71::ops_detail
