#pragma once
// A settings record read from the box, applied to the state and the job.
#include "link/writer_settings.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"

#include <optional>

namespace plx71 {

// A device record from the first ten bytes and the name of a settings
// record, for a name the device table does not know: areas from the start
// pages (<< 8) and KiB sizes (<< 10), lastBlock = block count - 1, voltage
// codes 1/2/3 -> 33/50/120 (others 0), allBlocksMask from lastBlock. None
// when it breaks the table's rules (areas must fit the images, blocks 0..6,
// name of 1..100 characters).
std::optional<DeviceRecord> deviceFromSettings(const WriterSettings& settings);

// Applies a settings record to the state and the job: the device (the first
// table record of that exact name through selectDevice, else deviceIndex -1
// and the rebuilt record), then Update Enable, file names, check ID and its
// text, target rate, and the two masks ("Block" lists over blocks 0..6, a
// list text written only when its "Block" choice is taken). False, nothing
// changed, when the record holds no settings or its device cannot be used.
bool applyWriterSettings(const WriterSettings& settings, PcJobState& state, JobSettings& job);

} // namespace plx71
