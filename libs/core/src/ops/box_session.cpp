#include "plx71/ops/box_session.hpp"

#include "link/writer_commands.hpp"
#include "ops/download.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "session_run.hpp"

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

// A job the box could store but never hand back whole is refused before
// anything is sent: a file name beyond the one-byte length field, or names
// that together overflow the settings reply.
bool jobFitsBox(Ui& ui, const WriterState& state, const JobSettings& job, BoxOutcome& outcome)
{
    for (const std::string* name : {&job.userRomFileName, &job.bootRomFileName}) {
        if (!fileNameFits(*name)) {
            ui.message(Icon::Stop, msg::fileNameTooLong(*name));
            outcome.kind = OutcomeClass::FileError;
            outcome.filePath = *name;
            return false;
        }
    }
    if (!settingsReplyFits(state.currentDevice, job)) {
        ui.message(Icon::Stop,
                   msg::namesTooLongForBox(settingsReplyLength(state.currentDevice, job) - kSettingsReplyFixedBytes,
                                           kMaxSettingsReplyBody - kSettingsReplyFixedBytes));
        outcome.kind = OutcomeClass::FileError;
        return false;
    }
    return true;
}

// Steps whose failure ends the download before the data phase.
bool sendCheckedSettings(WriterLink& link, const WriterState& state, const JobSettings& job, std::uint8_t operationMask)
{
    return cmdSetOperationBlocks(link, operationMask) && cmdSetLockBits(link, lockBitMask(state, job))
        && cmdSetCheckId(link, job.idCode) && cmdSetUpdateEnable(link, std::uint8_t(job.updateEnable != 0));
}

// The settings phase of a download, at the user's rate after the version
// check. The first four commands report their own failure and the job goes
// on; a failure of the rest ends it.
bool sendSettings(ops_detail::SessionRun& run, const WriterState& state, const JobSettings& job)
{
    WriterLink& link = run.link();
    run.phase(ProgressPhase::Settings);
    cmdSetDevice(link, deviceParameters(state.currentDevice));
    cmdSetTargetRate(link, job.targetBaudIndex);
    cmdSetBootFileName(link, job.bootRomFileName);
    cmdSetUserFileName(link, job.userRomFileName);
    if (sendCheckedSettings(link, state, job, operationBlockMask(state, job)))
        return true;
    run.communicationFailed();
    return false;
}

// The read-back under its own progress display. A difference is shown
// once, with the stop icon, after the display has closed.
void runVerify(ops_detail::SessionRun& run, const WriterState& state, const JobSettings& job, FileNameCheck names)
{
    run.phase(ProgressPhase::Verify);
    const DownloadData data = downloadDataOf(state, job);
    const WriterSettings expected = expectedSettings(state, job);
    const std::vector<PlannedPage> pages = plannedDownloadPages(data);
    VerifyWork work;
    WriterLink& link = run.link();
    const TransferView view{TransferKind::Verify, std::string(kVerifyTitle), job.userRomFileName};
    const bool complete = run.transfer(view, verifyProgressTotal(pages.size()), [&](ProgressCounters& counters) {
        work = verifyWorker(link, data, expected, pages, counters, names);
    });
    BoxOutcome& outcome = run.outcome();
    outcome.pagesVerified = work.pagesVerified;
    if (complete) {
        outcome.verified = true;
    } else if (work.commandFailed) {
        run.communicationFailed();
    } else if (work.settingsMissing) {
        run.fail(OutcomeClass::SettingsNotLoaded);
    } else if (work.difference.any()) {
        outcome.kind = OutcomeClass::VerifyMismatch;
        outcome.difference = work.difference;
    } else {
        run.fail(OutcomeClass::Cancelled);
    }
}

// A download up to the way back to 9600 bit/s: a step that fails ends it,
// and the run owes the box the rest.
void downloadSteps(ops_detail::SessionRun& run, const WriterState& state, const JobSettings& job,
                   DownloadOptions options, int hostBaudIndex)
{
    if (!canDownload(state, job)) {
        run.fail(OutcomeClass::FileError); // no device or no User ROM data: nothing to send
        return;
    }
    if (!jobFitsBox(run.ui(), state, job, run.outcome()) || !run.connectAtRate(hostBaudIndex))
        return;
    if (!run.readAndCheckVersions() || !sendSettings(run, state, job) || run.cancelled())
        return;

    DownloadData data = downloadDataOf(state, job);
    data.skipBlank = options.skipBlank;
    DownloadWork work;
    const auto onPhase = [&run](ProgressPhase p) { run.phase(p); };
    const TransferView view{TransferKind::Download, std::string(kDownloadTitle), job.userRomFileName};
    const bool complete =
        run.transfer(view, downloadProgressTotal(data.downloadSelection, data.includeBootRom),
                     [&](ProgressCounters& counters) { work = downloadWorker(run.link(), data, counters, onPhase); });
    run.outcome().pagesWritten = work.pagesWritten;
    run.outcome().pagesSkipped = work.pagesSkipped;
    run.outcome().skipBlank = options.skipBlank;
    if (!complete) {
        if (work.commandFailed)
            run.communicationFailed();
        else
            run.fail(OutcomeClass::Cancelled);
    } else if (options.verify && !run.cancelled()) {
        runVerify(run, state, job, FileNameCheck::Exact);
    }
}

// After the way back to 9600: the message of a verify that found something
// else than the job (the failing reads have shown their own).
void reportVerifyOutcome(Ui& ui, const BoxOutcome& outcome)
{
    if (outcome.kind == OutcomeClass::SettingsNotLoaded)
        ui.message(Icon::Stop, std::string(msg::kSettingsNotLoaded));
    if (outcome.kind != OutcomeClass::VerifyMismatch)
        return;
    const VerifyDifference& d = outcome.difference;
    ui.message(Icon::Stop, d.address ? msg::verifyMismatchAt(d.where()) : msg::verifyMismatchIn(d.field));
}

} // namespace

std::size_t settingsReplyLength(const DeviceRecord& device, const JobSettings& job)
{
    return kSettingsReplyFixedBytes + device.name.size() + job.userRomFileName.size() + job.bootRomFileName.size();
}

bool settingsReplyFits(const DeviceRecord& device, const JobSettings& job)
{
    return settingsReplyLength(device, job) <= kMaxSettingsReplyBody;
}

BoxSession::BoxSession(Ui& ui, PortChoice port, int hostBaudIndex, std::unique_ptr<SerialPort> serialPort)
    : ui_(ui), port_(std::move(port)), hostBaudIndex_(hostBaudIndex),
      ownLink_(std::make_unique<WriterLink>(ui, std::move(serialPort))), link_(*ownLink_)
{}

BoxSession::~BoxSession() = default;

void BoxSession::aimBox(int comPortIndex, int hostBaudIndex)
{
    port_.comPortIndex = comPortIndex;
    hostBaudIndex_ = hostBaudIndex;
}

void BoxSession::setTiming(const LinkTiming& timing)
{
    link_.timing = timing;
}

const std::string& BoxSession::firmwareVersion() const
{
    return link_.firmwareVersion;
}

const std::string& BoxSession::bootVersion() const
{
    return link_.bootVersion;
}

bool BoxSession::connected() const
{
    return link_.isOpen();
}

void BoxSession::closeAtRestingRate()
{
    if (!link_.isOpen())
        return;
    switchLinkRate(link_, 0);
    disconnectWriter(link_);
}

BoxOutcome BoxSession::download(const WriterState& state, const JobSettings& job, ProgressSink& sink,
                                DownloadOptions options)
{
    ops_detail::SessionRun run(ui_, link_, port_, &sink);
    downloadSteps(run, state, job, options, hostBaudIndex_);
    run.rest();
    reportVerifyOutcome(ui_, run.outcome());
    return run.finish();
}

BoxOutcome BoxSession::verify(const WriterState& state, const JobSettings& job, ProgressSink& sink)
{
    ops_detail::SessionRun run(ui_, link_, port_, &sink);
    if (!canDownload(state, job))
        run.fail(OutcomeClass::FileError);
    else if (jobFitsBox(ui_, state, job, run.outcome()) && run.connectAtRate(hostBaudIndex_)
             && run.readAndCheckVersions() && !run.cancelled())
        runVerify(run, state, job, FileNameCheck::Presence);
    run.rest();
    reportVerifyOutcome(ui_, run.outcome());
    return run.finish();
}

} // namespace plx71
