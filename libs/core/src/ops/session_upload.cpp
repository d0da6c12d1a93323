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

void refreshUploadedImageTexts(const PcJobState& state, JobSettings& job)
{
    const DeviceRecord& d = state.currentDevice;
    if (!job.userRomFileName.empty()) {
        job.dataIdCode = imageIdCode(d, state.areaTables, state.images.user);
        job.romProtectLevel = protectLevel(protectByte(d, state.images.user));
        job.userRomChecksum = areaChecksum(d, Area::UserRom, state.images.user);
    } else {
        job.dataIdCode.reset();
        job.romProtectLevel.reset();
        job.userRomChecksum.reset();
    }
    if (!job.bootRomFileName.empty()) {
        job.bootVersionText = imageBootVersion(d, state.areaTables, state.images.boot);
        job.bootRomChecksum = areaChecksum(d, Area::BootRom, state.images.boot);
    } else {
        job.bootVersionText.clear();
        job.bootRomChecksum.reset();
    }
}

} // namespace plx71
