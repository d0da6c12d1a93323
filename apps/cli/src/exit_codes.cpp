#include "exit_codes.hpp"

namespace plx71::cli {

int exitCodeFor(OutcomeClass c)
{
    switch (c) {
    case OutcomeClass::Success: return kExitOk;
    case OutcomeClass::Cancelled: return kExitFailed;
    case OutcomeClass::PortNotFound:
    case OutcomeClass::PortPermissionDenied:
    case OutcomeClass::PortBusy: return kExitPortProblem;
    case OutcomeClass::NoAnswer:
    case OutcomeClass::CommunicationError: return kExitNoAnswer;
    case OutcomeClass::FirmwareVersionDifferent:
    case OutcomeClass::SettingsNotLoaded: return kExitBoxRefused;
    case OutcomeClass::VerifyMismatch: return kExitVerifyMismatch;
    case OutcomeClass::FileError:
    case OutcomeClass::OutputNotWritten: return kExitFileError;
    }
    return kExitFailed;
}

} // namespace plx71::cli
