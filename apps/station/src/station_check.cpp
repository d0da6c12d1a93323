// Check all and Check on a slot: the station's audit of its boxes.
#include "station_check.hpp"

#include "station.hpp"

namespace plx71::station {

SlotState stateAfterCheck(const BoxOutcome& outcome)
{
    switch (outcome.kind) {
    case OutcomeClass::Success:
        return SlotState::HoldsJob;
    case OutcomeClass::VerifyMismatch:
    case OutcomeClass::SettingsNotLoaded:
        return SlotState::Differs;
    default:
        return stateAfter(outcome);
    }
}

QString checkNote(const SlotEnd& end)
{
    if (stateAfterCheck(end.outcome) != SlotState::Differs)
        return end.cause;
    const QString words = QString::fromStdString(failureMessage(end.outcome).text).section(QLatin1Char('\n'), 0, 0);
    return words.isEmpty() ? end.cause : words;
}

void Station::checkSlot(int index)
{
    if (index < 0 || index >= slotCount() || !checkProject())
        return;
    if (checkRecordFile())
        startJob(index, true);
}

void Station::checkAll()
{
    if (!checkProject() || !checkRecordFile())
        return;
    for (int i = 0; i < slotCount(); ++i)
        startJob(i, true);
}

} // namespace plx71::station
