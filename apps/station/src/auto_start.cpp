#include "auto_start.hpp"

namespace plx71::station {

bool notePresence(StationSlot& slot, bool present)
{
    if (!present) {
        slot.served = false;
        // A failure stays until the operator acts or the box is served again.
        if (!keepsResult(slot.state))
            slot.state = SlotState::NoBox;
    } else if (slot.state == SlotState::NoBox) {
        slot.state = SlotState::Idle;
    }
    slot.present = present;
    return present && !slot.served;
}

} // namespace plx71::station
