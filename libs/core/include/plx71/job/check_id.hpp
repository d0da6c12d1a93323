#pragma once
// The Check ID field of the form.
#include "plx71/image/image_fields.hpp"

#include <string_view>

namespace plx71 {

// The seven Check ID bytes: groups of one or two hex digits separated by
// blanks and commas; exactly seven groups. Leaves `out` unchanged otherwise.
bool parseCheckId(std::string_view text, IdCode& out);

} // namespace plx71
