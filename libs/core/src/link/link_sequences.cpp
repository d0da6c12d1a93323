#include "link/link_sequences.hpp"

#include "link/command_frames.hpp"

namespace plx71 {

bool connectWriter(BoxLink& link)
{
    if (openLink(link, bitRate(kRestingLinkRate)))
        return true;
    recordLinkFailure(link, LinkFault::PortUnusable);
    return false;
}

bool switchLinkRate(BoxLink& link, LinkRate rate)
{
    if (!isLinkRate(rate)) {
        recordLinkFailure(link, LinkFault::Communication);
        return false;
    }
    if (!cmdSetLinkRate(link, linkRateIndex(rate)))
        return false;
    // The box has moved to the new rate; so does the port, even when the
    // rate is the old one. The port stays open through the switch, so no
    // other program can take it between connect and disconnect. A rate the
    // port refuses shows up at the next command.
    linkSleep(link, link.timing.rateSwitchPauseBefore);
    setLinkRate(link, bitRate(rate));
    linkSleep(link, link.timing.rateSwitchPauseAfter);
    return true;
}

bool disconnectWriter(BoxLink& link)
{
    closeLink(link);
    return true;
}

} // namespace plx71
