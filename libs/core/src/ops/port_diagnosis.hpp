#pragma once
// Why a port could not be opened: the class of the problem and one line a
// person can act on. Asked only after an open failed, so it looks at the
// device from outside (exists? may we open it? who holds it?).
#include "plx71/ops/box_outcome.hpp"

#include <string>

namespace plx71::ops_detail {

struct PortDiagnosis {
    OutcomeClass kind = OutcomeClass::PortNotFound;
    PortProblem problem;
};

PortDiagnosis diagnosePort(const std::string& devicePath);

// The process other than this one holding `devicePath` open, from /proc;
// 0 when none can be seen (another user's process, no /proc).
long portHolderPid(const std::string& devicePath);

#ifndef _WIN32
// Who may use a device node: owner and group names, group id, mode bits.
struct DeviceOwnership {
    std::string owner;
    std::string group;
    unsigned gid = 0;
    unsigned mode = 0;
};

// The advice for a device this user may not open. A group is named (and
// put in `groupNamed`) only when joining it would help: it may read and
// write the device, and it is not root. Else the owner, group and mode,
// and the udev rule we ship.
std::string permissionAdvice(const std::string& devicePath, const DeviceOwnership& o, std::string& groupNamed);
#endif

} // namespace plx71::ops_detail
