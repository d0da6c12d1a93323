#pragma once
// One slot's box job on its own worker thread: a box session of its own, the
// shared project read-only, the record line appended on that thread as soon
// as the box has ended. Everything the window learns arrives on the window's
// thread through queued calls, so the window never waits on a port.
#include "station_project.hpp"

#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/gang_runner.hpp" // LinkTiming, as a gang's boxes take it
#include "plx71/ops/progress_sink.hpp"
#include "plx71/port/port_choice.hpp"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace plx71::station {

struct SlotJob {
    std::shared_ptr<const ProjectJob> project;
    PortChoice port;
    DownloadOptions options;
    bool recover = true; // resync, re-read and restart on a noisy line
    int slotNumber = 1;
    QString label;
    std::string recordPath; // empty: no record
    std::string station;    // the record line's "station"; empty: the host name
    // Asked on the job's thread before the box is touched: a refusal's
    // words end the job Failed with no record line and nothing sent.
    std::function<std::string()> gate;
    std::optional<LinkTiming> timing; // tests shorten the link's pauses
    bool check = false;               // compare the box with the project, write nothing
};

// Where a running job is: its phase and, during a transfer, how far.
struct SlotProgress {
    ProgressPhase phase = ProgressPhase::Connect;
    int done = 0;
    int total = 0; // 0: no transfer (a busy bar)
    QString note;  // a recovering job's last restart ("restart 2 of 5, 57600 bit/s")
};

struct SlotEnd {
    BoxOutcome outcome;
    QString cause;        // why it failed, in the words of its kind (causeOf); empty on success
    bool check = false;   // the job was a check (SlotJob::check)
    bool refused = false; // the gate refused it: no box was touched
};

class SlotRunner : public QObject {
    Q_OBJECT
public:
    explicit SlotRunner(QObject* parent = nullptr) : QObject(parent) {}
    // Cancels a job that still runs and waits for its way back to 9600.
    ~SlotRunner() override;

    bool running() const { return running_; }
    // Starts the job unless one runs (false then).
    bool start(SlotJob job);
    // Cancel reaches the session between its steps and inside a transfer.
    void cancel();

    // Called on the runner's thread (the window's).
    std::function<void(const SlotProgress& progress)> onProgress;
    std::function<void(const SlotEnd& end)> onEnded;

private:
    void ended(const SlotEnd& end);
    // Hands a progress to onProgress with the last restart's words (the
    // session's phase note): they stay beside the phase until the job ends.
    void report(SlotProgress progress);

    SlotProgress last_;
    QString restartNote_;

    bool running_ = false;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::thread thread_;
};

} // namespace plx71::station
