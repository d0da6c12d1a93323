#pragma once
// Writing to an open file descriptor, on systems that have them.
#ifndef _WIN32
#include <string_view>

namespace plx71 {

// Writes all of `bytes` to `fd`. A signal may cut a write short; the rest
// follows. False on an error or a write that takes nothing.
bool writeAllTo(int fd, std::string_view bytes);

} // namespace plx71
#endif
