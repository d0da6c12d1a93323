#include "slot_runner.hpp"

#include "slot_cause.hpp"
#include "slot_ui.hpp"

#include "plx71/production_record/job_record.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71/text/json_writer.hpp"
#include "plx71_version.hpp"

#include <QMetaObject>

#include <exception>
#include <mutex>

namespace plx71::station {

namespace {

// The record line of `plx71 --record` with the slot's number and label
// added as its last fields; ends with '\n'.
std::string slotRecordLine(const std::string& recordLine, int slotNumber, const QString& label)
{
    const auto brace = recordLine.rfind('}');
    if (brace == std::string::npos)
        return recordLine;
    return recordLine.substr(0, brace) + ",\"slot\":" + std::to_string(slotNumber)
        + ",\"label\":" + jsonString(label.toStdString()) + "}\n";
}

BoxOutcome runSession(const SlotJob& job, Ui& ui, ProgressSink& sink)
{
    BoxSession session(ui);
    if (job.timing)
        session.setTiming(*job.timing);
    if (job.recover)
        session.setRecovery(RecoveryPolicy::enabled());
    try {
        const BoxTarget target{job.port, job.project->job.linkRate};
        if (job.check)
            return session.verify(target, job.project->box, sink);
        return session.download(target, job.project->box, sink, job.options);
    } catch (const std::exception& e) {
        // A box must never take the station down with it.
        ui.message(Icon::Stop, std::string("internal error: ") + e.what());
        BoxOutcome outcome;
        outcome.kind = OutcomeClass::CommunicationError;
        outcome.portName = job.port.displayName();
        return outcome;
    }
}

// The record line goes out before the tile turns: a box is never shown
// Verified without its line. A line that cannot be appended fails the job.
void recordJob(const SlotJob& job, SlotEnd& end)
{
    if (job.recordPath.empty())
        return;
    JobFacts facts = job.project->facts;
    if (job.check)
        facts.command = "verify";
    facts.station = job.station;
    const std::string line = slotRecordLine(
        productionRecordLine(end.outcome, facts, outcomeExitCode(end.outcome.kind), PLX71_PROGRAM_VERSION),
        job.slotNumber, job.label);
    if (appendProductionRecordLine(job.recordPath, line))
        return;
    if (end.outcome.ok()) {
        end.outcome.kind = OutcomeClass::OutputNotWritten;
        end.outcome.filePath = job.recordPath;
    }
}

// The gate, then the box and its record line; the cause in the words of its kind.
SlotEnd runJob(const SlotJob& job, ProgressSink& sink, const std::atomic<int>& phase)
{
    SlotEnd end;
    end.check = job.check;
    if (job.gate) {
        if (const std::string refusal = job.gate(); !refusal.empty()) {
            end.outcome.kind = OutcomeClass::FileError;
            end.outcome.portName = job.port.displayName();
            end.cause = QString::fromStdString(refusal);
            end.refused = true;
            return end;
        }
    }
    SlotUi ui;
    end.outcome = runSession(job, ui, sink);
    recordJob(job, end);
    // The outcome's own words; the session's first message only where
    // the outcome says too little (an internal error).
    end.cause = causeOf(end.outcome, ProgressPhase(phase.load()));
    if (end.cause.isEmpty() && !end.outcome.ok())
        end.cause = ui.cause();
    return end;
}

} // namespace

void SlotRunner::report(SlotProgress progress)
{
    progress.note = restartNote_;
    last_ = progress;
    if (onProgress)
        onProgress(progress);
}

SlotRunner::~SlotRunner()
{
    if (cancel_)
        cancel_->store(true);
    if (thread_.joinable())
        thread_.join();
}

bool SlotRunner::start(SlotJob job)
{
    if (running_)
        return false;
    if (thread_.joinable())
        thread_.join(); // the last job's thread has already posted its end
    running_ = true;
    last_ = {};
    restartNote_.clear();
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([this, job = std::move(job), cancel = cancel_] {
        auto phase = std::make_shared<std::atomic<int>>(int(ProgressPhase::Connect));
        auto shown = std::make_shared<std::atomic<int>>(-1);
        PollingSinkOptions o;
        o.cancelRequested = [cancel] { return cancel->load(); };
        o.tick = std::chrono::milliseconds(50);
        o.onPhase = [this, phase, shown](ProgressPhase p) {
            phase->store(int(p));
            shown->store(-1);
            QMetaObject::invokeMethod(
                this,
                [this, p] {
                    report({p, 0, 0, {}});
                },
                Qt::QueuedConnection);
        };
        o.onNote = [this](const std::string& note) {
            QMetaObject::invokeMethod(
                this,
                [this, n = QString::fromStdString(note)] {
                    restartNote_ = n;
                    report(last_);
                },
                Qt::QueuedConnection);
        };
        // The window hears of a transfer only when its bar would move (a
        // percent), so many boxes cost the window's thread next to nothing.
        o.onTick = [this, phase, shown](const TransferView&, const ProgressCounters& c) {
            const auto p = ProgressPhase(phase->load());
            const int done = std::min(c.done(), c.total()), total = c.total();
            const int percent = total > 0 ? int(std::int64_t(done) * 100 / total) : 0;
            if (shown->exchange(percent) == percent)
                return;
            QMetaObject::invokeMethod(
                this,
                [this, p, done, total] {
                    report({p, done, total, {}});
                },
                Qt::QueuedConnection);
        };
        PollingProgressSink sink(o);
        const SlotEnd end = runJob(job, sink, *phase);
        QMetaObject::invokeMethod(
            this, [this, end] { ended(end); }, Qt::QueuedConnection);
    });
    return true;
}

void SlotRunner::cancel()
{
    if (running_ && cancel_)
        cancel_->store(true);
}

void SlotRunner::ended(const SlotEnd& end)
{
    running_ = false;
    if (thread_.joinable())
        thread_.join(); // it has nothing left to do but return
    if (onEnded)
        onEnded(end);
}

} // namespace plx71::station
