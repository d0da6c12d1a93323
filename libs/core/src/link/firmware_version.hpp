#pragma once
// Whether the box's firmware fits this control program.
#include "plx71/program/control_program_version.hpp"

#include <string_view>

namespace plx71 {

// The first 4 characters of both texts are equal; a text shorter than 4
// characters never matches.
bool firmwareVersionMatches(std::string_view firmwareVersion,
                            std::string_view controlProgramVersion = kControlProgramVersion);

} // namespace plx71
