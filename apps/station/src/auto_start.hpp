#pragma once
// Auto mode's rule: a box is served once per appearance. One that stays
// plugged in after its job waits until it has been away.
#include "station_slot.hpp"

namespace plx71::station {

// Notes what a presence poll found for a slot whose job is not running (its
// presence follows; a box that went away leaves "No box", unless its slot
// keeps a failure). True when auto mode, if on, serves it now: a Failed box
// that comes back is served again.
bool notePresence(StationSlot& slot, bool present);

} // namespace plx71::station
