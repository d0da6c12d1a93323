#include "session_run.hpp"

#include "port_diagnosis.hpp"

#include <utility>

namespace plx71::ops_detail {

std::string_view commandName(std::uint8_t code)
{
    switch (code) {
    case CMD_SET_LINK_RATE:
        return "CMD_SET_LINK_RATE";
    case CMD_LOAD_ENTER:
        return "CMD_LOAD_ENTER";
    case CMD_LOAD_WRITE_PAGE:
        return "CMD_LOAD_WRITE_PAGE";
    case CMD_READ_VERSIONS:
        return "CMD_READ_VERSIONS";
    case CMD_LOAD_PREPARE:
        return "CMD_LOAD_PREPARE";
    case CMD_SET_DEVICE:
        return "CMD_SET_DEVICE";
    case CMD_SET_USER_FILE_NAME:
        return "CMD_SET_USER_FILE_NAME";
    case CMD_SET_BOOT_FILE_NAME:
        return "CMD_SET_BOOT_FILE_NAME";
    case CMD_SET_UPDATE_ENABLE:
        return "CMD_SET_UPDATE_ENABLE";
    case CMD_ERASE_BLOCKS:
        return "CMD_ERASE_BLOCKS";
    case CMD_WRITE_PAGE:
        return "CMD_WRITE_PAGE";
    case CMD_READ_PAGE:
        return "CMD_READ_PAGE";
    case CMD_SET_CHECK_ID:
        return "CMD_SET_CHECK_ID";
    case CMD_SET_TARGET_RATE:
        return "CMD_SET_TARGET_RATE";
    case CMD_SET_LOCK_BITS:
        return "CMD_SET_LOCK_BITS";
    case CMD_SET_OPERATION_BLOCKS:
        return "CMD_SET_OPERATION_BLOCKS";
    case CMD_READ_STATUS:
        return "CMD_READ_STATUS";
    case CMD_DOWNLOAD_COMMIT:
        return "CMD_DOWNLOAD_COMMIT";
    case CMD_READ_SETTINGS:
        return "CMD_READ_SETTINGS";
    case CMD_DOWNLOAD_END:
        return "CMD_DOWNLOAD_END";
    default:
        return {};
    }
}

SessionRun::SessionRun(Ui& ui, BoxLink& link, const PortChoice& port, ProgressSink* sink)
    : ui_(ui), link_(link), sink_(sink), linkFailuresSeen_(link.failuresRecorded)
{
    link_.comPortIndex = port.comPortIndex;
    link_.portOverride = port.devicePath;
    link_.boxAnswered = false;
    link_.failedCommand = 0;
    link_.failedCommandHasPage = false;
    link_.failedReply = BoxReply::None;
    link_.failureCause = LinkFault::None;
    outcome_.portName = port.displayName();
    outcome_.devicePath = port.deviceName();
    outcome_.stableName = port.stableName;
    outcome_.portGiven = port.given;
    outcome_.deviceNode = port.deviceNode();
}

SessionRun::~SessionRun()
{
    try {
        rest();
    } catch (...) {
        // Unwinding already: the port closes with the link.
    }
}

void SessionRun::phase(ProgressPhase p)
{
    if (sink_)
        sink_->phaseChanged(p);
}

void SessionRun::note(const std::string& text)
{
    if (sink_)
        sink_->phaseNote(text);
}

bool SessionRun::cancelled()
{
    if (!sink_ || !sink_->cancelRequested())
        return false;
    outcome_.kind = OutcomeClass::Cancelled;
    return true;
}

bool SessionRun::connect()
{
    phase(ProgressPhase::Connect);
    if (openLink(link_, bitRate(kRestingLinkRate))) {
        owed_ = Owed::Close;
        return true;
    }
    const PortDiagnosis d = diagnosePort(outcome_.devicePath);
    outcome_.kind = d.kind;
    outcome_.portProblem = d.problem;
    showFailure();
    return false;
}

bool SessionRun::switchRate(LinkRate rate)
{
    if (!switchLinkRate(link_, rate))
        return false;
    owed_ = Owed::RestingRate;
    return true;
}

bool SessionRun::connectAtRate(LinkRate rate)
{
    if (!connect())
        return false;
    if (switchLinkRate(link_, rate)) {
        owed_ = Owed::RestingRate;
        outcome_.linkRate = link_.currentRate;
        return true;
    }
    linkFailed();
    disconnectWriter(link_);
    owed_ = Owed::Nothing;
    return false;
}

bool SessionRun::readAndCheckVersions()
{
    if (!cmdReadVersions(link_)) {
        linkFailed();
        return false;
    }
    return checkVersions();
}

bool SessionRun::checkVersions()
{
    outcome_.bootVersion = link_.bootVersion;
    outcome_.firmwareVersion = link_.firmwareVersion;
    if (firmwareVersionMatches(link_.firmwareVersion))
        return true;
    outcome_.kind = OutcomeClass::FirmwareVersionDifferent;
    showFailure();
    return false;
}

bool SessionRun::transfer(const TransferView& view, ProgressCounters& counters, std::int32_t total,
                          const std::function<void()>& body)
{
    counters.start(total);
    return sink_->runTransfer(view, counters, [&] {
        body();
        showLinkFailures();
    });
}

namespace {

CommandReply replyOf(BoxReply reply)
{
    switch (reply) {
    case BoxReply::Silent:
        return CommandReply::Silent;
    case BoxReply::Refused:
        return CommandReply::Refused;
    case BoxReply::Garbled:
        return CommandReply::Garbled;
    case BoxReply::Busy:
        return CommandReply::Busy;
    case BoxReply::None:
        break;
    }
    return CommandReply::None;
}

void markCommunicationFailure(const BoxLink& link, BoxOutcome& outcome)
{
    outcome.kind = link.boxAnswered ? OutcomeClass::CommunicationError : OutcomeClass::NoAnswer;
    outcome.failedCommand = std::string(commandName(link.failedCommand));
    outcome.failedReply = replyOf(link.failedReply);
    if (link.failedCommandHasPage)
        outcome.failedPage = link.failedPage;
    else
        outcome.failedPage.reset();
}

} // namespace

void SessionRun::communicationFailed()
{
    markCommunicationFailure(link_, outcome_);
}

void SessionRun::linkFailed()
{
    communicationFailed();
    showLinkFailures();
}

void SessionRun::showLinkFailures()
{
    const int fresh = link_.failuresRecorded - std::exchange(linkFailuresSeen_, link_.failuresRecorded);
    if (holdLinkFailures_)
        return;
    // A command the job goes on after leaves the outcome as it is: its
    // message is worded from a copy that names the failure.
    BoxOutcome failed = outcome_;
    markCommunicationFailure(link_, failed);
    for (int i = 0; i < fresh; ++i)
        show(failed);
}

void SessionRun::showFailure()
{
    failureShown_ = true;
    show(outcome_);
}

void SessionRun::show(const BoxOutcome& outcome)
{
    ui_.operationFailed(outcome, failureMessage(outcome));
}

bool SessionRun::shownAtEnd() const
{
    switch (outcome_.kind) {
    case OutcomeClass::SettingsNotLoaded:
    case OutcomeClass::VerifyMismatch:
        return true;
    case OutcomeClass::CommunicationError:
    case OutcomeClass::NoAnswer:
        return holdLinkFailures_;
    default:
        return false;
    }
}

void SessionRun::rest()
{
    const Owed owed = std::exchange(owed_, Owed::Nothing);
    if (owed == Owed::Nothing)
        return;
    phase(ProgressPhase::Closing);
    const bool switched = owed == Owed::Close || switchLinkRate(link_, kRestingLinkRate);
    // A box that just failed a command has had its message: one that has
    // vanished fails the way back too, and says nothing new by it.
    const bool quiet = outcome_.kind == OutcomeClass::CommunicationError || outcome_.kind == OutcomeClass::NoAnswer;
    if (quiet)
        linkFailuresSeen_ = link_.failuresRecorded;
    else
        showLinkFailures();
    disconnectWriter(link_);
    if (!switched && outcome_.ok())
        communicationFailed();
}

BoxOutcome SessionRun::finish()
{
    rest();
    if (!failureShown_ && shownAtEnd())
        showFailure();
    if (outcome_.ok() && link_.failedCommand != 0)
        communicationFailed();
    outcome_.duration =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
    return outcome_;
}

bool waitWhileBusy(BoxLink& link, std::uint8_t& lastStatus, const std::function<bool()>& keepWaiting,
                   const BusyWait& wait, PollOrder order)
{
    const auto deadline = std::chrono::steady_clock::now() + wait.limit;
    const auto failed = [&] {
        link.failedCommand = wait.command;
        link.failedCommandHasPage = wait.page.has_value();
        link.failedPage = wait.page.value_or(0);
        return false;
    };
    do {
        if (order == PollOrder::SleepFirst)
            linkSleep(link, link.timing.statusPollSleep);
        // The read retries on its own and has recorded its failure: a box
        // that does not answer its status is gone, and polling it on until
        // the limit would only repeat the message.
        if (!cmdReadStatus(link, lastStatus))
            return failed();
        if (order == PollOrder::PollFirst)
            linkSleep(link, link.timing.statusPollSleep);
        if ((lastStatus & kStatusBusy) != 0 && std::chrono::steady_clock::now() >= deadline) {
            recordLinkFailure(link, LinkFault::BusyTooLong);
            return failed();
        }
    } while ((lastStatus & kStatusBusy) != 0 && keepWaiting());
    return true;
}

} // namespace plx71::ops_detail
