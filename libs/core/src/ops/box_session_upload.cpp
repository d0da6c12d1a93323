#include "plx71/ops/box_session.hpp"

#include "ops/session_upload.hpp"
#include "ops/upload.hpp"
#include "ops/writer_settings_apply.hpp"
#include "recovery.hpp"
#include "session_run.hpp"

#include <optional>

namespace plx71 {

namespace {

// The pages of the box's job, after its settings reached the job: under
// their progress display, every page read until two reads agree when asked
// (always while recovering: the one-byte check sum lets through a bit error
// in a few hundred pages here).
void readPages(ops_detail::SessionRun& run, ops_detail::Recovery& recovery, PcJobState& state, JobSettings& job,
               ProgressSink& sink, bool readTwice)
{
    constexpr bool includeBootRom = true;
    const DeviceRecord device = state.currentDevice;
    ProgressCounters counters;
    bool readsOk = true;
    const auto onPhase = [&sink](ProgressPhase p) { sink.phaseChanged(p); };
    const TransferView view{TransferKind::Upload, std::string(kUploadTitle), std::string()};
    PageRetry retry;
    if (recovery.on())
        retry = [&](const std::function<bool()>& once) {
            return recovery.retry(once, [&counters] { return counters.aborted(); });
        };
    const bool twice = readTwice || recovery.on();
    const bool complete = run.transfer(view, counters, uploadProgressTotal(device, includeBootRom), [&] {
        readsOk = uploadWorker(run.link(), device, state.images, includeBootRom, counters, onPhase, twice, retry);
    });

    // Cancel ends a resync with the read it was for: that is no failure.
    const bool stoppedWhileRecovering = recovery.on() && sink.cancelRequested();
    if (complete)
        refreshUploadedImageTexts(state, job);
    else if (!readsOk && !stoppedWhileRecovering)
        run.communicationFailed();
    else
        run.fail(OutcomeClass::Cancelled);
}

// The versions, the box's settings into the job, then its pages.
void uploadSteps(ops_detail::SessionRun& run, ops_detail::Recovery& recovery, PcJobState& state, JobSettings& job,
                 ProgressSink& sink, bool readTwice)
{
    const auto stop = [&sink] { return sink.cancelRequested(); };
    if (!ops_detail::readVersionsRecovering(run, recovery, stop) || run.cancelled())
        return;
    run.phase(ProgressPhase::Settings);
    std::optional<WriterSettings> settings;
    recovery.retry([&] { return (settings = cmdReadSettings(run.link())).has_value(); }, stop);
    if (!settings) {
        run.linkFailed();
        return;
    }
    if (!applyWriterSettings(*settings, state, job)) {
        run.fail(OutcomeClass::SettingsNotLoaded); // shown once the box rests
        return;
    }
    run.outcome().settingsApplied = true;
    readPages(run, recovery, state, job, sink, readTwice);
}

} // namespace

BoxOutcome BoxSession::upload(const BoxTarget& target, PcJobState& state, JobSettings& job, ProgressSink& sink,
                              bool readTwice)
{
    ops_detail::SessionRun run(ui_, link_, target.port, &sink);
    std::optional<ops_detail::Recovery> recovery; // from the rate switch to the run's end
    if (run.connectAtRate(target.rate))
        uploadSteps(run, recovery.emplace(run, recovery_, target.rate), state, job, sink, readTwice);
    return run.finish();
}

} // namespace plx71
