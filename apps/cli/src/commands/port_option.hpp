#pragma once
// What --port names, resolved once per command: the station file, the
// machine's serial devices and the forms a person types (COMn, a path, a
// by-id or by-path name, usb:VID:PID[:SERIAL], a station port).
#include "plx71/link/port_choice.hpp"

#include <string>
#include <vector>

namespace plx71::cli {

struct ResolvedPorts {
    int exitCode = 0;               // kExitOk, else the code to end with (the cause is on stderr)
    std::vector<PortChoice> ports;  // one per spec, in order
    std::vector<std::string> specs; // as typed
};

// Resolves every spec; a station file error, an empty or malformed spec or
// one matching several devices is a usage error (2); a spec matching no
// device is a port problem. Two specs reaching the same device are refused
// (usage error) before anything is sent. Prints the latency advice of each
// slow adapter once.
ResolvedPorts resolvePortSpecs(const std::vector<std::string>& specs);

} // namespace plx71::cli
