#include "plx71/ops/box_session.hpp"

#include "ops/session_upload.hpp"
#include "ops/upload.hpp"
#include "ops/writer_settings_apply.hpp"
#include "plx71/messages/message_texts.hpp"
#include "session_run.hpp"

namespace plx71 {

BoxOutcome BoxSession::upload(WriterState& state, JobSettings& job, ProgressSink& sink, bool readTwice)
{
    ops_detail::SessionRun run(ui_, link_, port_, &sink);
    if (!run.connectAtRate(hostBaudIndex_))
        return run.finish();
    if (!run.readAndCheckVersions() || run.cancelled()) {
        run.returnToRestingRate();
        return run.finish();
    }
    run.phase(ProgressPhase::Settings);
    const auto settings = cmdReadSettings(link_);
    if (!settings) {
        run.communicationFailed();
        run.returnToRestingRate();
        return run.finish();
    }
    if (!applyWriterSettings(*settings, state, job)) {
        run.fail(OutcomeClass::SettingsNotLoaded);
        run.returnToRestingRate();
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
    const bool complete = sink.runTransfer(view, counters, [&] {
        readsOk = uploadWorker(link_, device, state.images, includeBootRom, counters, onPhase, readTwice);
    });

    if (complete)
        refreshUploadedImageTexts(state, job);
    else if (!readsOk)
        run.communicationFailed();
    else
        run.fail(OutcomeClass::Cancelled);
    run.returnToRestingRate();
    return run.finish();
}

} // namespace plx71
