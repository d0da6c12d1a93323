#pragma once
// What --port names, resolved once per command: the station file, the
// machine's serial devices and the forms a person types (COMn, a path, a
// by-id or by-path name, usb:VID:PID[:SERIAL], a station port).
#include "plx71/ops/box_outcome.hpp"
#include "plx71/port/port_choice.hpp"

#include <optional>
#include <string>
#include <vector>

namespace plx71::cli {

// One --port: the choice it names, or why it names no device now (an
// unplugged USB identity, a by-id name that is gone, an unknown name).
struct PortSpec {
    std::string given;              // as typed
    std::optional<PortChoice> port; // its `given` is set
    std::string problem;            // when no device matches
};

struct ResolvedPorts {
    int exitCode = 0;            // kExitOk, else the usage error to end with (the cause is on stderr)
    std::vector<PortSpec> specs; // one per spec, in order
};

// Resolves every spec; a station file error, an empty or malformed spec or
// one matching several devices is a usage error (2) for the whole command;
// a spec matching no device is that port's own problem. Two specs reaching
// the same device (by device number) are refused (usage error) before
// anything is sent. Prints the latency advice of each slow adapter once.
ResolvedPorts resolvePortSpecs(const std::vector<std::string>& specs);

// The outcome of a box whose --port reaches no device: port-not-found,
// naming the port as given, with the reason as its cause.
BoxOutcome unresolvedPortOutcome(const PortSpec& spec);

} // namespace plx71::cli
