#pragma once
// What the settings form does to the job, written once for every front end.
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"

// The rest of the form's work, each with its own file; included here so that
// a front end needs one include.
#include "plx71/job/check_id.hpp"
#include "plx71/job/download_masks.hpp"
#include "plx71/job/load_area_file.hpp"
#include "plx71/job/reload_area_files.hpp"

#include <cstdint>
#include <string>

namespace plx71 {

// The Target Board of the current device (areas, blocks, voltages).
void showTargetBoard(const PcJobState& state, JobSettings& job);

// "0" for a single-block device, else "0-<lastBlock>" (also the Memory
// Clear preset).
std::string blockRangeText(std::int32_t lastBlock);

// Makes deviceTable[index] the current device and refreshes the Target
// Board. index must be a valid table index.
void selectDevice(PcJobState& state, JobSettings& job, int index);

// Download is possible: a device type is selected and User ROM data loaded.
bool canDownload(const PcJobState& state, const JobSettings& job);

} // namespace plx71
