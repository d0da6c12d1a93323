#pragma once
// The ROM code protect state of a User ROM image.
#include "plx71/devices/device_record.hpp"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace plx71 {

// ROM code protect level of a protect byte: 0, 1 or 2.
int protectLevel(std::uint8_t b);
// "Protect removed", "Level 1 protect enabled", "Level 2 protect enabled".
std::string_view protectText(int level);
// What reading a User ROM file does with a protected program (level 1 or
// 2): ask the user ("Level1 protect enabled\nLoad continue ?", OK loads it),
// or load it, or refuse it, without a question. The caller decides.
enum class ProtectedProgram { Ask, Load, Refuse };
// The decision itself, as a reader takes it: asked with the level (1 or 2)
// at the moment the reader has found it, true to load the program.
using ProtectDecision = std::function<bool(int level)>;

// The protect byte: the last byte of the User ROM area.
std::uint8_t protectByte(const DeviceRecord& device, std::span<const std::uint8_t> userImage);

} // namespace plx71
