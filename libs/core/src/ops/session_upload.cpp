#include "ops/session_upload.hpp"

#include "ops/upload.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"
#include "session_run.hpp"

namespace plx71 {

UploadResult uploadResultOf(const BoxOutcome& outcome)
{
    if (outcome.ok())
        return UploadResult::Complete;
    return outcome.settingsApplied ? UploadResult::SettingsOnly : UploadResult::NothingChanged;
}

void refreshUploadedImageTexts(const WriterState& state, JobSettings& job)
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

} // namespace plx71
