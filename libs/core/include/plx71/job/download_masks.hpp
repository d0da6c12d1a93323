#pragma once
// The block masks Download sends, from the form's block choices.
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"

#include <cstdint>

namespace plx71 {

std::uint8_t operationBlockMask(const PcJobState& state, const JobSettings& job);
std::uint8_t lockBitMask(const PcJobState& state, const JobSettings& job);

} // namespace plx71
