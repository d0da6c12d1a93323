#pragma once
// The running program's own file, from which it finds its device table.
#include <filesystem>

namespace plx71 {

// Full path of the running executable; empty when the system does not say.
std::filesystem::path currentExecutablePath();

} // namespace plx71
