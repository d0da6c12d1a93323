#pragma once
// The version of this control program: the About box shows it, and the
// writer box's firmware must match its first characters.
namespace plx71 {

inline constexpr const char* kControlProgramVersion = "V1.30 2001/12/25";

} // namespace plx71
