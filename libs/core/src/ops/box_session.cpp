#include "plx71/ops/box_session.hpp"

#include "link/writer_commands.hpp"
#include "ops/download.hpp"
#include "recovery.hpp"
#include "session_run.hpp"

#include <optional>

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
bool jobFitsBox(ops_detail::SessionRun& run, const BoxJob& job)
{
    BoxOutcome& outcome = run.outcome();
    for (const std::string* name : {&job.userRomFileName, &job.bootRomFileName}) {
        if (!fileNameFits(*name)) {
            outcome.kind = OutcomeClass::FileError;
            outcome.refusal = JobRefusal::FileNameTooLong;
            outcome.filePath = *name;
            run.showFailure();
            return false;
        }
    }
    const std::size_t replyLength = settingsReplyLength(job.device, job.userRomFileName, job.bootRomFileName);
    if (replyLength > kMaxSettingsReplyBody) {
        outcome.kind = OutcomeClass::FileError;
        outcome.refusal = JobRefusal::NamesTooLongForBox;
        outcome.namesLength = replyLength - kSettingsReplyFixedBytes;
        run.showFailure();
        return false;
    }
    return true;
}

// Steps whose failure ends the download before the data phase.
bool sendCheckedSettings(BoxLink& link, const BoxJob& job)
{
    return cmdSetOperationBlocks(link, job.operationBlockMask) && cmdSetLockBits(link, job.lockBitMask)
        && cmdSetCheckId(link, job.idCode) && cmdSetUpdateEnable(link, std::uint8_t(job.updateEnable));
}

// The settings phase of a download, at the user's rate after the version
// check. A failure of the first four commands gets its message and the job
// goes on (the end makes it a communication error); a failure of the rest
// ends it.
bool sendSettings(ops_detail::SessionRun& run, const BoxJob& job)
{
    BoxLink& link = run.link();
    run.phase(ProgressPhase::Settings);
    cmdSetDevice(link, deviceParameters(job.device));
    run.showLinkFailures();
    cmdSetTargetRate(link, job.targetBaudIndex);
    run.showLinkFailures();
    cmdSetBootFileName(link, job.bootRomFileName);
    run.showLinkFailures();
    cmdSetUserFileName(link, job.userRomFileName);
    run.showLinkFailures();
    if (sendCheckedSettings(link, job))
        return true;
    run.linkFailed();
    return false;
}

// A recovering read-back: each read resyncs and goes on after a failure, a
// difference is read again.
ReadBackHooks readBackHooks(BoxLink& link, ops_detail::Recovery* recovery, const ProgressCounters& counters)
{
    ReadBackHooks hooks;
    if (!recovery || !recovery->on())
        return hooks;
    const auto stop = [&counters] { return counters.aborted(); };
    hooks.readPage = [&link, recovery, stop](std::uint16_t page, std::span<std::uint8_t, kPageSize> out) {
        return recovery->retry([&] { return cmdReadPage(link, page, out); }, stop);
    };
    hooks.readSettings = [&link, recovery, stop] {
        std::optional<WriterSettings> s;
        recovery->retry([&] { return (s = cmdReadSettings(link)).has_value(); }, stop);
        return s;
    };
    hooks.rereads = recovery->policy().pageRereads;
    return hooks;
}

// The read-back under its own progress display. A difference is shown
// once, with the stop icon, after the box rests (the run's end). True when a
// difference was confirmed by re-reads (the box holds other data).
bool runVerify(ops_detail::SessionRun& run, const BoxJob& job, ProgressSink& sink, FileNameCheck names,
               ops_detail::Recovery* recovery = nullptr)
{
    run.phase(ProgressPhase::Verify);
    const WriterSettings expected = expectedSettings(job);
    ProgressCounters counters;
    VerifyWork work;
    BoxLink& link = run.link();
    const TransferView view{TransferKind::Verify, std::string(kVerifyTitle), job.userRomFileName};
    const ReadBackHooks hooks = readBackHooks(link, recovery, counters);
    const bool complete = run.transfer(view, counters, verifyProgressTotal(job.pages.size()),
                                       [&] { work = verifyWorker(link, job, expected, counters, names, hooks); });
    BoxOutcome& outcome = run.outcome();
    outcome.pagesVerified = work.pagesVerified;
    // Cancel ends a resync with the read it was for: that is no failure.
    const bool stoppedWhileRecovering = recovery && recovery->on() && counters.aborted() && sink.cancelRequested();
    if (complete) {
        outcome.verified = true;
    } else if (work.commandFailed && !stoppedWhileRecovering) {
        run.communicationFailed();
    } else if (work.settingsMissing) {
        run.fail(OutcomeClass::SettingsNotLoaded);
    } else if (work.difference.any()) {
        outcome.kind = OutcomeClass::VerifyMismatch;
        outcome.difference = work.difference;
    } else {
        run.fail(OutcomeClass::Cancelled);
    }
    return work.confirmed;
}

// The data phase on its worker. False when it did not end: a failed
// command (a communication error) or Cancel.
bool runDataPhase(ops_detail::SessionRun& run, const BoxJob& job, ProgressSink& sink, const DownloadOptions& options,
                  ops_detail::Recovery* recovery = nullptr)
{
    ProgressCounters counters;
    DownloadWork work;
    BoxLink& link = run.link();
    const auto onPhase = [&sink](ProgressPhase p) { sink.phaseChanged(p); };
    const TransferView view{TransferKind::Download, std::string(kDownloadTitle), job.userRomFileName};
    PageRetry retry; // recovering: a failed page write resyncs and goes on from that page
    if (recovery && recovery->on())
        retry = [&](const std::function<bool()>& once) {
            return recovery->retry(once, [&] { return counters.aborted(); });
        };
    const bool complete =
        run.transfer(view, counters, downloadProgressTotal(job.operationBlockMask, job.includeBootRom),
                     [&] { work = downloadWorker(link, job, options.skipBlank, counters, onPhase, retry); });
    run.outcome().pagesWritten = work.pagesWritten;
    run.outcome().pagesSkipped = work.pagesSkipped;
    run.outcome().skipBlank = options.skipBlank;
    if (!complete) {
        if (work.commandFailed)
            run.communicationFailed();
        else
            run.fail(OutcomeClass::Cancelled);
    }
    return complete;
}

enum class Try { Done, Failed, Stopped };

// One pass of a recovering download: every settings command checked, the
// data phase, the read-back. Failed: worth a restart.
Try downloadOnce(ops_detail::SessionRun& run, ops_detail::Recovery& recovery, const BoxJob& job, ProgressSink& sink,
                 const DownloadOptions& options)
{
    BoxLink& link = run.link();
    run.phase(ProgressPhase::Settings);
    const bool settingsSent = cmdSetDevice(link, deviceParameters(job.device))
        && cmdSetTargetRate(link, job.targetBaudIndex) && cmdSetBootFileName(link, job.bootRomFileName)
        && cmdSetUserFileName(link, job.userRomFileName) && sendCheckedSettings(link, job);
    if (!settingsSent) {
        run.linkFailed();
        return Try::Failed;
    }
    if (run.cancelled())
        return Try::Stopped;
    if (!runDataPhase(run, job, sink, options, &recovery))
        return run.outcome().kind == OutcomeClass::Cancelled ? Try::Stopped : Try::Failed;
    if (!options.verify || run.cancelled())
        return Try::Done;
    // A difference that re-reads confirm is the box's fault: it holds other
    // data than it was sent, and no restart mends that. It stands at once.
    runVerify(run, job, sink, FileNameCheck::Exact, &recovery);
    return Try::Done;
}

// A download that starts again from the settings and the erase while it
// fails and the bounds allow; the last failure stands.
void downloadRecovering(ops_detail::SessionRun& run, ops_detail::Recovery& recovery, const BoxJob& job,
                        ProgressSink& sink, const DownloadOptions& options)
{
    const auto stop = [&sink] { return sink.cancelRequested(); };
    if (!readVersionsRecovering(run, recovery, stop))
        return;
    BoxOutcome& o = run.outcome();
    while (downloadOnce(run, recovery, job, sink, options) == Try::Failed) {
        const BoxOutcome failed = o;
        if (!recovery.restart(stop)) {
            if (!run.cancelled()) {
                o.kind = failed.kind;
                o.failedCommand = failed.failedCommand;
                o.failedPage = failed.failedPage;
                o.failedReply = failed.failedReply;
                o.difference = failed.difference;
            }
            return;
        }
        o.kind = OutcomeClass::Success;
        o.failedCommand.clear();
        o.failedPage.reset();
        o.failedReply = CommandReply::None;
        o.difference = {};
        o.verified = false;
        o.pagesVerified = 0;
    }
}

// A download without recovery: the versions, the settings, the data phase,
// the read-back; the first failure ends it.
void downloadSteps(ops_detail::SessionRun& run, const BoxJob& job, ProgressSink& sink, const DownloadOptions& options)
{
    if (!run.readAndCheckVersions() || !sendSettings(run, job) || run.cancelled())
        return;
    if (runDataPhase(run, job, sink, options) && options.verify && !run.cancelled())
        runVerify(run, job, sink, FileNameCheck::Exact);
}

} // namespace

std::size_t settingsReplyLength(const DeviceRecord& device, std::string_view userRomFileName,
                                std::string_view bootRomFileName)
{
    return kSettingsReplyFixedBytes + device.name.size() + userRomFileName.size() + bootRomFileName.size();
}

std::size_t settingsReplyLength(const DeviceRecord& device, const JobSettings& job)
{
    return settingsReplyLength(device, job.userRomFileName, job.bootRomFileName);
}

bool settingsReplyFits(const DeviceRecord& device, const JobSettings& job)
{
    return settingsReplyLength(device, job) <= kMaxSettingsReplyBody;
}

BoxSession::BoxSession(Ui& ui, std::unique_ptr<SerialPort> serialPort)
    : ui_(ui), ownLink_(std::make_unique<BoxLink>(std::move(serialPort))), link_(*ownLink_)
{}

BoxSession::~BoxSession() = default;

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
    if (!switchLinkRate(link_, kRestingLinkRate)) {
        BoxOutcome failed;
        failed.kind = OutcomeClass::CommunicationError;
        ui_.operationFailed(failed, failureMessage(failed));
    }
    disconnectWriter(link_);
}

BoxOutcome BoxSession::download(const BoxTarget& target, const BoxJob& job, ProgressSink& sink, DownloadOptions options)
{
    ops_detail::SessionRun run(ui_, link_, target.port, &sink);
    std::optional<ops_detail::Recovery> recovery; // from the rate switch to the run's end
    if (!job.sendable) {
        run.fail(OutcomeClass::FileError); // no device or no User ROM data: nothing to send
    } else if (jobFitsBox(run, job) && run.connectAtRate(target.rate)) {
        if (recovery_.on)
            downloadRecovering(run, recovery.emplace(run, recovery_, target.rate), job, sink, options);
        else
            downloadSteps(run, job, sink, options);
    }
    return run.finish();
}

BoxOutcome BoxSession::verify(const BoxTarget& target, const BoxJob& job, ProgressSink& sink)
{
    ops_detail::SessionRun run(ui_, link_, target.port, &sink);
    std::optional<ops_detail::Recovery> recovery;
    if (!job.sendable) {
        run.fail(OutcomeClass::FileError);
    } else if (jobFitsBox(run, job) && run.connectAtRate(target.rate)) {
        ops_detail::Recovery& r = recovery.emplace(run, recovery_, target.rate);
        if (readVersionsRecovering(run, r, [&sink] { return sink.cancelRequested(); }) && !run.cancelled())
            runVerify(run, job, sink, FileNameCheck::Presence, &r);
    }
    return run.finish();
}

} // namespace plx71
