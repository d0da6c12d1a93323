#pragma once
// One line of the device definition table turned into a record.
#include "plx71/devices/device_record.hpp"

#include <string>
#include <string_view>
#include <variant>

namespace plx71::detail {

// The line without its line end. Either a record that meets the invariants
// of the images and block tables, or the reason it was not taken.
std::variant<DeviceRecord, std::string> parseDeviceLine(std::string_view line);

} // namespace plx71::detail
