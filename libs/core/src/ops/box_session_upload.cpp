#include "plx71/ops/box_session.hpp"

#include "ops/session_upload.hpp"
#include "ops/upload.hpp"
#include "ops/writer_settings_apply.hpp"
#include "plx71/messages/message_texts.hpp"
#include "recovery.hpp"
#include "session_run.hpp"

namespace plx71 {

BoxOutcome BoxSession::upload(const BoxTarget& target, WriterState& state, JobSettings& job, ProgressSink& sink,
                              bool readTwice)
{
    ops_detail::SessionRun run(ui_, link_, target.port, &sink);
    if (!run.connectAtRate(target.rate))
        return run.finish();
    ops_detail::Recovery recovery(link_, recovery_, run.outcome(), target.rate);
    const auto stop = [&sink] { return sink.cancelRequested(); };
    if (!ops_detail::readVersionsRecovering(run, recovery, stop) || run.cancelled()) {
        run.rest();
        recovery.reportFailure();
        return run.finish();
    }
    run.phase(ProgressPhase::Settings);
    std::optional<WriterSettings> settings;
    recovery.retry([&] { return (settings = cmdReadSettings(link_)).has_value(); }, stop);
    if (!settings) {
        run.communicationFailed();
        run.rest();
        recovery.reportFailure();
        return run.finish();
    }
    if (!applyWriterSettings(*settings, state, job)) {
        run.fail(OutcomeClass::SettingsNotLoaded);
        run.rest();
        ui_.message(Icon::Stop, std::string(msg::kSettingsNotLoaded));
        return run.finish();
    }
    run.outcome().settingsApplied = true;

    constexpr bool includeBootRom = true;
    const DeviceRecord device = state.currentDevice;
    ProgressCounters counters;
    counters.start(uploadProgressTotal(device, includeBootRom));
    bool readsOk = true;
    const auto onPhase = [&sink](ProgressPhase p) { sink.phaseChanged(p); };
    const TransferView view{TransferKind::Upload, std::string(kUploadTitle), std::string()};
    // While recovering every page is read until two reads agree: the one-
    // byte check sum lets through a bit error in a few hundred pages here.
    PageRetry retry;
    if (recovery.on())
        retry = [&](const std::function<bool()>& once) {
            return recovery.retry(once, [&counters] { return counters.aborted(); });
        };
    const bool twice = readTwice || recovery.on();
    const bool complete = sink.runTransfer(view, counters, [&] {
        readsOk = uploadWorker(link_, device, state.images, includeBootRom, counters, onPhase, twice, retry);
    });

    // Cancel ends a resync with the read it was for: that is no failure.
    const bool stoppedWhileRecovering = recovery.on() && sink.cancelRequested();
    if (complete)
        refreshUploadedImageTexts(state, job);
    else if (!readsOk && !stoppedWhileRecovering)
        run.communicationFailed();
    else
        run.fail(OutcomeClass::Cancelled);
    run.rest();
    recovery.reportFailure();
    return run.finish();
}

} // namespace plx71
