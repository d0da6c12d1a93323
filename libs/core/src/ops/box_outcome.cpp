#include "plx71/ops/box_outcome.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"

#include <cstdio>

namespace plx71 {

std::string_view outcomeClassName(OutcomeClass c)
{
    switch (c) {
    case OutcomeClass::Success:
        return "success";
    case OutcomeClass::Cancelled:
        return "cancelled";
    case OutcomeClass::PortNotFound:
        return "port-not-found";
    case OutcomeClass::PortPermissionDenied:
        return "port-permission-denied";
    case OutcomeClass::PortBusy:
        return "port-busy";
    case OutcomeClass::NoAnswer:
        return "no-answer";
    case OutcomeClass::CommunicationError:
        return "communication-error";
    case OutcomeClass::FirmwareVersionDifferent:
        return "firmware-version-different";
    case OutcomeClass::SettingsNotLoaded:
        return "settings-not-loaded";
    case OutcomeClass::VerifyMismatch:
        return "verify-mismatch";
    case OutcomeClass::FileError:
        return "file-error";
    case OutcomeClass::OutputNotWritten:
        return "output-not-written";
    }
    return "unknown";
}

bool isPortProblem(OutcomeClass c)
{
    return c == OutcomeClass::PortNotFound || c == OutcomeClass::PortPermissionDenied || c == OutcomeClass::PortBusy;
}

int outcomeExitCode(OutcomeClass c)
{
    switch (c) {
    case OutcomeClass::Success:
        return kExitOk;
    case OutcomeClass::Cancelled:
        return kExitFailed;
    case OutcomeClass::FileError:
    case OutcomeClass::OutputNotWritten:
        return kExitFileError;
    case OutcomeClass::PortNotFound:
    case OutcomeClass::PortPermissionDenied:
    case OutcomeClass::PortBusy:
        return kExitPortProblem;
    case OutcomeClass::NoAnswer:
    case OutcomeClass::CommunicationError:
        return kExitNoAnswer;
    case OutcomeClass::FirmwareVersionDifferent:
    case OutcomeClass::SettingsNotLoaded:
        return kExitBoxRefused;
    case OutcomeClass::VerifyMismatch:
        return kExitVerifyMismatch;
    }
    return kExitFailed;
}

std::string VerifyDifference::where() const
{
    if (!address)
        return field;
    char text[16];
    std::snprintf(text, sizeof text, "%06X", unsigned(*address));
    return text;
}

FailureText failureMessage(const BoxOutcome& o)
{
    switch (o.kind) {
    case OutcomeClass::PortNotFound:
    case OutcomeClass::PortPermissionDenied:
    case OutcomeClass::PortBusy:
        return {msg::portCannotBeUsed(o.portName), o.portProblem.cause};
    case OutcomeClass::NoAnswer:
    case OutcomeClass::CommunicationError:
        return {std::string(msg::kCommunicationError), {}};
    case OutcomeClass::FirmwareVersionDifferent:
        return {std::string(msg::kFirmwareVersionDifferent), {}};
    case OutcomeClass::SettingsNotLoaded:
        return {std::string(msg::kSettingsNotLoaded), {}};
    case OutcomeClass::VerifyMismatch: {
        const VerifyDifference& d = o.difference;
        return {d.address ? msg::verifyMismatchAt(d.where()) : msg::verifyMismatchIn(d.field), {}};
    }
    case OutcomeClass::FileError:
        if (o.refusal == JobRefusal::FileNameTooLong)
            return {msg::fileNameTooLong(o.filePath), {}};
        if (o.refusal == JobRefusal::NamesTooLongForBox)
            return {msg::namesTooLongForBox(o.namesLength, kMaxSettingsReplyBody - kSettingsReplyFixedBytes), {}};
        return {};
    case OutcomeClass::Success:
    case OutcomeClass::Cancelled:
    case OutcomeClass::OutputNotWritten:
        return {};
    }
    return {};
}

std::string finishedLine(const BoxOutcome& o)
{
    const auto count = [](int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); };
    std::string line = "finished at " + std::to_string(o.linkRate) + " bit/s";
    if (o.restarts > 0)
        line += " after " + count(o.restarts, "restart");
    if (o.resyncs > 0)
        line += (o.restarts > 0 ? " and " : " after ") + count(o.resyncs, "resync");
    return line;
}

} // namespace plx71
