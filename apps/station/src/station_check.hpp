#pragma once
// Checking a box: its stored job compared with the station's project, as
// `plx71 verify` compares them, with nothing written to the box. A check is
// no programmed unit: it leaves the passed, failed and cancelled counts as
// they are and has its record line (command "verify") like any job.
#include "slot_runner.hpp"
#include "station_slot.hpp"

#include "plx71/ops/box_outcome.hpp"

#include <QString>

namespace plx71::station {

// Where a check that ended leaves its slot: "Holds job" when the box holds
// the project's job; "Differs" when it holds something else (other
// settings, other bytes, no job at all); a port that is not there is "No
// box", Cancel is "Cancelled", all else (no answer, a busy port) "Failed".
SlotState stateAfterCheck(const BoxOutcome& outcome);

// The tile's note for a check: for "Differs" the first difference in the
// words of verify ("Verify error at address 0FA742"), else the cause a job
// would show.
QString checkNote(const SlotEnd& end);

} // namespace plx71::station
