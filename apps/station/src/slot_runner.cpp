#include "slot_runner.hpp"

#include "slot_ui.hpp"
#include "station_model.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/job_record.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71_version.hpp"

#include <QMetaObject>

#include <exception>
#include <mutex>

namespace plx71::station {

namespace {

BoxOutcome runSession(const SlotJob& job, Ui& ui, ProgressSink& sink)
{
    BoxSession session(ui);
    if (job.timing)
        session.setTiming(*job.timing);
    if (job.recover)
        session.setRecovery(RecoveryPolicy::enabled());
    try {
        return session.download({job.port, job.project->job.linkRate}, job.project->box, sink, job.options);
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
    const std::string line = slotRecordLine(
        productionRecordLine(end.outcome, job.project->facts, outcomeExitCode(end.outcome.kind), PLX71_PROGRAM_VERSION),
        job.slotNumber, job.label);
    if (appendProductionRecordLine(job.recordPath, line))
        return;
    if (end.cause.isEmpty())
        end.cause = QString::fromStdString(msg::cannotWriteFile(job.recordPath));
    if (end.outcome.ok()) {
        end.outcome.kind = OutcomeClass::OutputNotWritten;
        end.outcome.filePath = job.recordPath;
    }
}

} // namespace

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
                    if (onProgress)
                        onProgress(p, 0, 0);
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
                    if (onProgress)
                        onProgress(p, done, total);
                },
                Qt::QueuedConnection);
        };
        PollingProgressSink sink(o);
        SlotUi ui;
        SlotEnd end;
        end.outcome = runSession(job, ui, sink);
        if (!end.outcome.ok())
            end.cause = ui.cause();
        recordJob(job, end);
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
