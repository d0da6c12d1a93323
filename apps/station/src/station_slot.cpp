#include "station_slot.hpp"

namespace plx71::station {

QString stateWord(SlotState state)
{
    switch (state) {
    case SlotState::Idle:
        return QStringLiteral("Idle");
    case SlotState::Running:
        return QStringLiteral("Running");
    case SlotState::Verified:
        return QStringLiteral("Verified");
    case SlotState::Failed:
        return QStringLiteral("Failed");
    case SlotState::Cancelled:
        return QStringLiteral("Cancelled");
    case SlotState::NoBox:
        return QStringLiteral("No box");
    case SlotState::HoldsJob:
        return QStringLiteral("Holds job");
    case SlotState::Differs:
        return QStringLiteral("Differs");
    }
    return {};
}

QString phaseText(ProgressPhase phase)
{
    switch (phase) {
    case ProgressPhase::Connect:
        return QStringLiteral("connect");
    case ProgressPhase::Settings:
        return QStringLiteral("settings");
    case ProgressPhase::Erase:
        return QStringLiteral("erase");
    case ProgressPhase::UserPages:
    case ProgressPhase::BootPages:
        return QStringLiteral("pages");
    case ProgressPhase::Commit:
        return QStringLiteral("commit");
    case ProgressPhase::Verify:
        return QStringLiteral("read-back");
    case ProgressPhase::Closing:
        return QStringLiteral("closing");
    default:
        return QString::fromLatin1(progressPhaseName(phase).data(), qsizetype(progressPhaseName(phase).size()));
    }
}

SlotState stateAfter(const BoxOutcome& outcome)
{
    if (outcome.kind == OutcomeClass::PortNotFound)
        return SlotState::NoBox;
    if (outcome.kind == OutcomeClass::Cancelled)
        return SlotState::Cancelled;
    return outcome.ok() ? SlotState::Verified : SlotState::Failed;
}

QString StationSlot::stateText() const
{
    return keepsResult(state) && !present ? stateWord(state) + QStringLiteral(" \u00b7 no box") : stateWord(state);
}

} // namespace plx71::station
