#include "plx71/ops/download.hpp"

#include "link_session.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/link/writer_commands.hpp"
#include "plx71/ui/messages.hpp"

namespace plx71 {

namespace {

DeviceParameters deviceParameters(const DeviceRecord& d)
{
    DeviceParameters p;
    p.name = d.name;
    p.bootRomStart = d.bootRomStart;
    p.bootRomSize = d.bootRomSize;
    p.userRomStart = d.userRomStart;
    p.userRomSize = d.userRomSize;
    p.lastBlock = d.lastBlock;
    p.vcc = d.vcc;
    p.vpp = d.vpp;
    return p;
}

// The box keeps file names behind a one-byte length: a longer name would be
// cut or wrap, so such a job is refused before anything is sent.
bool fileNamesFit(Ui& ui, const JobSettings& job)
{
    for (const std::string* name : {&job.userRomFileName, &job.bootRomFileName}) {
        if (!fileNameFits(*name)) {
            ui.message(Icon::Stop, msg::fileNameTooLong(*name));
            return false;
        }
    }
    return true;
}

// Steps whose failure ends the download before the data phase.
bool sendCheckedSettings(WriterLink& link, const WriterState& state, const JobSettings& job, std::uint8_t operationMask)
{
    return cmdSetOperationBlocks(link, operationMask) && cmdSetLockBits(link, lockBitMask(state, job))
        && cmdSetCheckId(link, job.idCode) && cmdSetUpdateEnable(link, std::uint8_t(job.updateEnable != 0));
}

} // namespace

bool runDownload(Ui& ui, WriterLink& link, const WriterState& state, const JobSettings& job,
                 const TransferRunner& runner)
{
    if (!canDownload(state, job) || !fileNamesFit(ui, job))
        return false;
    ops_detail::LinkUiScope scope(link, ui);
    if (!ops_detail::connectAtUserRate(link, job.portSelection, job.hostBaudSelection))
        return false;

    if (!cmdReadVersions(link)) {
        ops_detail::returnToRestingRate(link);
        return false;
    }
    if (!firmwareVersionMatches(link.firmwareVersion)) {
        ui.message(Icon::Stop, std::string(msg::kFirmwareVersionDifferent));
        ops_detail::returnToRestingRate(link);
        return false;
    }

    // A failure of these four has shown its message; the job goes on.
    const DeviceRecord& device = state.currentDevice;
    cmdSetDevice(link, deviceParameters(device));
    cmdSetTargetRate(link, job.targetBaudIndex);
    cmdSetBootFileName(link, job.bootRomFileName);
    cmdSetUserFileName(link, job.userRomFileName);

    const std::uint8_t selection = operationBlockMask(state, job);
    if (!sendCheckedSettings(link, state, job, selection)) {
        ops_detail::returnToRestingRate(link);
        return false;
    }

    DownloadData data;
    data.device = device;
    data.blockSize = state.areaTables.blockSize;
    data.userImage = state.images.user;
    data.bootImage = state.images.boot;
    data.downloadSelection = selection;
    data.includeBootRom = !job.bootRomFileName.empty();

    ProgressCounters counters;
    counters.start(downloadProgressTotal(data.downloadSelection, data.includeBootRom));
    const TransferView view{std::string(kDownloadTitle), job.userRomFileName};
    const bool complete =
        runner(view, counters, [&link, &data, &counters] { downloadWorker(link, data, counters); });

    ops_detail::returnToRestingRate(link);
    return complete;
}

} // namespace plx71
