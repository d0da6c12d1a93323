#include "link/link_sequences.hpp"

#include "link/command_frames.hpp"

namespace plx71 {

bool connectWriter(WriterLink& link)
{
    if (openLink(link, hostBaudRates[0]))
        return true;
    recordLinkFailure(link, LinkFault::PortUnusable);
    return false;
}

bool switchLinkRate(WriterLink& link, int hostBaudIndex)
{
    if (hostBaudIndex < 0 || hostBaudIndex >= static_cast<int>(hostBaudRates.size())) {
        recordLinkFailure(link, LinkFault::Communication);
        return false;
    }
    if (!cmdSetLinkRate(link, hostBaudIndex))
        return false;
    // The box has moved to the new rate; so does the port, even when the
    // rate is the old one. The port stays open through the switch, so no
    // other program can take it between connect and disconnect. A rate the
    // port refuses shows up at the next command.
    linkSleep(link, link.timing.rateSwitchPauseBefore);
    setLinkRate(link, hostBaudRates[static_cast<std::size_t>(hostBaudIndex)]);
    linkSleep(link, link.timing.rateSwitchPauseAfter);
    return true;
}

bool disconnectWriter(WriterLink& link)
{
    closeLink(link);
    return true;
}

} // namespace plx71
