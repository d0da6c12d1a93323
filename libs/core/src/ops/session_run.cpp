#include "session_run.hpp"

#include "plx71/messages/message_texts.hpp"
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

SessionRun::SessionRun(Ui& ui, WriterLink& link, const PortChoice& port, ProgressSink* sink)
    : ui_(ui), link_(link), sink_(sink)
{
    link_.ui = &ui_;
    link_.comPortIndex = port.comPortIndex;
    link_.portOverride = port.devicePath;
    link_.boxAnswered = false;
    link_.failedCommand = 0;
    link_.failedCommandHasPage = false;
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
    ui_.messageWithDetail(Icon::Stop, msg::portCannotBeUsed(outcome_.portName), d.problem.cause);
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
    communicationFailed();
    disconnectWriter(link_);
    owed_ = Owed::Nothing;
    return false;
}

bool SessionRun::readAndCheckVersions()
{
    if (!cmdReadVersions(link_)) {
        communicationFailed();
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
    ui_.message(Icon::Stop, std::string(msg::kFirmwareVersionDifferent));
    outcome_.kind = OutcomeClass::FirmwareVersionDifferent;
    return false;
}

void SessionRun::communicationFailed()
{
    outcome_.kind = link_.boxAnswered ? OutcomeClass::CommunicationError : OutcomeClass::NoAnswer;
    outcome_.failedCommand = std::string(commandName(link_.failedCommand));
    if (link_.failedCommandHasPage)
        outcome_.failedPage = link_.failedPage;
    else
        outcome_.failedPage.reset();
}

void SessionRun::rest()
{
    const Owed owed = std::exchange(owed_, Owed::Nothing);
    if (owed == Owed::Nothing)
        return;
    phase(ProgressPhase::Closing);
    // A box that just failed a command has had its message: one that has
    // vanished fails the way back too, and says nothing new by it.
    const bool quiet = outcome_.kind == OutcomeClass::CommunicationError || outcome_.kind == OutcomeClass::NoAnswer;
    Ui* const ui = link_.ui;
    if (quiet)
        link_.ui = nullptr;
    const bool switched = owed == Owed::Close || switchLinkRate(link_, kRestingLinkRate);
    link_.ui = ui;
    disconnectWriter(link_);
    if (!switched && outcome_.ok())
        communicationFailed();
}

BoxOutcome SessionRun::finish()
{
    rest();
    if (outcome_.ok() && link_.failedCommand != 0)
        communicationFailed();
    outcome_.duration =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_);
    return outcome_;
}

bool waitWhileBusy(WriterLink& link, std::uint8_t& lastStatus, const std::function<bool()>& keepWaiting,
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
        // The read retries on its own and has shown its message: a box that
        // does not answer its status is gone, and polling it on until the
        // limit would only repeat the message.
        if (!cmdReadStatus(link, lastStatus))
            return failed();
        if (order == PollOrder::PollFirst)
            linkSleep(link, link.timing.statusPollSleep);
        if ((lastStatus & kStatusBusy) != 0 && std::chrono::steady_clock::now() >= deadline) {
            reportLinkError(link, LINK_ERR_COMM);
            return failed();
        }
    } while ((lastStatus & kStatusBusy) != 0 && keepWaiting());
    return true;
}

} // namespace plx71::ops_detail
