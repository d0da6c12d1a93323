#pragma once
// The record's SHA-256 is the public one (plx71/production_record/sha256.hpp).
#include "plx71/production_record/sha256.hpp"

namespace plx71::record_detail {

using plx71::Sha256;
using plx71::sha256Hex;

} // namespace plx71::record_detail
