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

} // namespace plx71::ops_detail
