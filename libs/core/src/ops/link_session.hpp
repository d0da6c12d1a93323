#pragma once
// The pieces every operation on the writer box is built from.
#include "plx71/link/writer_commands.hpp"
#include "plx71/ui/ui.hpp"

#include <functional>

namespace plx71::ops_detail {

// Points link.ui at the operation's Ui for one operation, and back after.
class LinkUiScope {
public:
    LinkUiScope(WriterLink& link, Ui& ui) : link_(link), previous_(link.ui) { link.ui = &ui; }
    ~LinkUiScope() { link_.ui = previous_; }
    LinkUiScope(const LinkUiScope&) = delete;
    LinkUiScope& operator=(const LinkUiScope&) = delete;

private:
    WriterLink& link_;
    Ui* previous_;
};

// connectWriter on the chosen port, then switchLinkRate to the chosen rate.
// False when either failed; the port is then closed (the box still rests at
// 9600, since it never acknowledged a switch).
bool connectAtUserRate(WriterLink& link, int portIndex, int baudIndex);

// hostBaudIndex := 0, switchLinkRate, disconnectWriter. The switch's result.
bool returnToRestingRate(WriterLink& link);

// The download's waiting for the box: CMD_READ_STATUS, then the poll sleep,
// repeated while the last status read says busy and `keepWaiting` holds.
// Always one poll at least; a failed poll leaves `lastStatus` as it was.
void pollThenSleepWhileBusy(WriterLink& link, std::uint8_t& lastStatus, const std::function<bool()>& keepWaiting);

} // namespace plx71::ops_detail
