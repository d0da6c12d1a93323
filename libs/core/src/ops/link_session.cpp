#include "link_session.hpp"

namespace plx71::ops_detail {

bool connectAtUserRate(WriterLink& link, int portIndex, int baudIndex)
{
    link.comPortIndex = portIndex;
    if (!connectWriter(link))
        return false;
    link.hostBaudIndex = baudIndex;
    if (!switchLinkRate(link)) {
        disconnectWriter(link);
        return false;
    }
    return true;
}

bool returnToRestingRate(WriterLink& link)
{
    link.hostBaudIndex = 0;
    const bool switched = switchLinkRate(link);
    disconnectWriter(link);
    return switched;
}

void pollThenSleepWhileBusy(WriterLink& link, std::uint8_t& lastStatus, const std::function<bool()>& keepWaiting)
{
    do {
        cmdReadStatus(link, lastStatus);
        linkSleep(link, link.timing.statusPollSleep);
    } while ((lastStatus & kStatusBusy) != 0 && keepWaiting());
}

} // namespace plx71::ops_detail
