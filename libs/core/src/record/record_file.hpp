#pragma once
// The platform side of production records.
#include <string>

namespace plx71 {

// This machine's name, empty when the system does not say.
std::string hostName();

} // namespace plx71
