#include "plx71/ops/upload.hpp"

#include "link_session.hpp"
#include "plx71/ui/messages.hpp"

namespace plx71 {

namespace {

// After a complete upload the form shows what the images now hold, for the
// areas that came back with a file name.
void refreshImageTexts(const WriterState& state, JobSettings& job)
{
    const DeviceRecord& d = state.currentDevice;
    if (!job.userRomFileName.empty()) {
        job.idCodeText = formatIdCode(imageIdCode(d, state.areaTables, state.images.user));
        job.romProtectText = std::string(protectText(protectLevel(protectByte(d, state.images.user))));
        job.userRomChecksumText = formatChecksum(areaChecksum(d, Area::UserRom, state.images.user));
    } else {
        job.idCodeText.clear();
        job.romProtectText.clear();
        job.userRomChecksumText.clear();
    }
    if (!job.bootRomFileName.empty()) {
        job.bootVersionText = imageBootVersion(d, state.areaTables, state.images.boot);
        job.bootRomChecksumText = formatChecksum(areaChecksum(d, Area::BootRom, state.images.boot));
    } else {
        job.bootVersionText.clear();
        job.bootRomChecksumText.clear();
    }
}

} // namespace

UploadResult runUpload(Ui& ui, WriterLink& link, WriterState& state, JobSettings& job,
                       const TransferRunner& runner)
{
    ops_detail::LinkUiScope scope(link, ui);
    if (!ops_detail::connectAtUserRate(link, job.portSelection, job.hostBaudSelection))
        return UploadResult::NothingChanged;

    if (!cmdReadVersions(link)) {
        ops_detail::returnToRestingRate(link);
        return UploadResult::NothingChanged;
    }
    if (!firmwareVersionMatches(link.firmwareVersion)) {
        ui.message(Icon::Stop, std::string(msg::kFirmwareVersionDifferent));
        ops_detail::returnToRestingRate(link);
        return UploadResult::NothingChanged;
    }

    const auto settings = cmdReadSettings(link);
    if (!settings) {
        ops_detail::returnToRestingRate(link);
        return UploadResult::NothingChanged;
    }
    if (!applyWriterSettings(*settings, state, job)) {
        ops_detail::returnToRestingRate(link);
        ui.message(Icon::Stop, std::string(msg::kSettingsNotLoaded));
        return UploadResult::NothingChanged;
    }

    constexpr bool includeBootRom = true;
    const DeviceRecord device = state.currentDevice;
    ProgressCounters counters;
    counters.start(uploadProgressTotal(device, includeBootRom));
    const TransferView view{std::string(kUploadTitle), std::string()};
    const bool complete = runner(view, counters, [&link, &device, &state, &counters] {
        uploadWorker(link, device, state.images, includeBootRom, counters);
    });

    if (complete)
        refreshImageTexts(state, job);
    ops_detail::returnToRestingRate(link);
    return complete ? UploadResult::Complete : UploadResult::SettingsOnly;
}

} // namespace plx71
