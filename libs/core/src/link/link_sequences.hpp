#pragma once
// Connecting to the box, moving the link to the chosen rate, and closing it:
// every exchange with the box starts and ends with these.
#include "link/box_link.hpp"

namespace plx71 {

// Opens the link at 9600 bit/s. On failure records LinkFault::PortUnusable.
bool connectWriter(BoxLink& link);
// Moves both sides to `rate`: CMD_SET_LINK_RATE at
// the current rate, then pause, set the open port to the new rate, pause;
// always sets it, even to the same rate. The port is never closed on the way,
// so it stays this link's alone. Not acknowledged: communication error, the
// port stays at the old rate. A rate that is none of the five: communication
// error before anything is sent.
bool switchLinkRate(BoxLink& link, LinkRate rate);
// Closes the link. Always true.
bool disconnectWriter(BoxLink& link);

} // namespace plx71
