#include "plx71/ops/box_session.hpp"

#include "ops/session_upload.hpp"
#include "ops/upload.hpp"
#include "ops/writer_settings_apply.hpp"
#include "plx71/messages/message_texts.hpp"
#include "session_run.hpp"

namespace plx71 {

namespace {

// An upload up to the way back to 9600 bit/s: a step that fails ends it,
// and the run owes the box the rest.
void uploadSteps(ops_detail::SessionRun& run, WriterState& state, JobSettings& job, bool readTwice, int hostBaudIndex)
{
    if (!run.connectAtRate(hostBaudIndex) || !run.readAndCheckVersions() || run.cancelled())
        return;
    run.phase(ProgressPhase::Settings);
    const auto settings = cmdReadSettings(run.link());
    if (!settings) {
        run.communicationFailed();
        return;
    }
    if (!applyWriterSettings(*settings, state, job)) {
        run.fail(OutcomeClass::SettingsNotLoaded);
        return;
    }
    run.outcome().settingsApplied = true;

    constexpr bool includeBootRom = true;
    const DeviceRecord device = state.currentDevice;
    bool readsOk = true;
    const auto onPhase = [&run](ProgressPhase p) { run.phase(p); };
    const TransferView view{TransferKind::Upload, std::string(kUploadTitle), std::string()};
    const bool complete =
        run.transfer(view, uploadProgressTotal(device, includeBootRom), [&](ProgressCounters& counters) {
            readsOk = uploadWorker(run.link(), device, state.images, includeBootRom, counters, onPhase, readTwice);
        });

    if (complete)
        refreshUploadedImageTexts(state, job);
    else if (!readsOk)
        run.communicationFailed();
    else
        run.fail(OutcomeClass::Cancelled);
}

} // namespace

BoxOutcome BoxSession::upload(WriterState& state, JobSettings& job, ProgressSink& sink, bool readTwice)
{
    ops_detail::SessionRun run(ui_, link_, port_, &sink);
    uploadSteps(run, state, job, readTwice, hostBaudIndex_);
    run.rest();
    if (run.outcome().kind == OutcomeClass::SettingsNotLoaded)
        ui_.message(Icon::Stop, std::string(msg::kSettingsNotLoaded));
    return run.finish();
}

} // namespace plx71
