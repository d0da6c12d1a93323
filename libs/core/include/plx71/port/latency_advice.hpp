#pragma once
// USB serial adapters hold received bytes back until their latency timer runs
// out (16 ms by default on FTDI chips): every acknowledge then costs 16 ms
// and a full download takes up to 60 % longer. Asking the driver for low
// latency sets the timer to 1 ms where the kernel allows it.
#include "plx71/port/port_catalog.hpp"

#include <string>

namespace plx71 {

// Asks the driver of `devicePath` for low latency (Linux); false when the
// port cannot be opened or the driver refuses.
bool requestLowLatency(const std::string& devicePath);

// Empty when the adapter's latency timer is 1 ms or unknown (after asking for
// low latency once); else one line saying so, with the fix.
std::string latencyAdvice(PortCatalog& catalog, const std::string& devicePath);

} // namespace plx71
