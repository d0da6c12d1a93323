#pragma once
// The named data files read again: after a device change or a project Open.
#include "plx71/image/protect_level.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/messages/file_problems.hpp"
#include "plx71/messages/ui.hpp"

#include <optional>

namespace plx71 {

// Reads the file the job names for `area` again onto a blank area of the
// current device, as "Select..." reads it. The Check ID and Update Enable
// stay as they are. A file that no longer loads is forgotten
// (forgetAreaFile), so nothing claims the image holds it and Download is not
// enabled for it. Shows nothing: none when the file loaded or none is named,
// else what was wrong with it.
std::optional<DataFileProblem> rereadAreaFile(PcJobState& state, JobSettings& job, Area area,
                                              const ProtectDecision& protect);

// Clears the file name of `area` and the texts taken from its file: ID, Rom
// Protect and checksum (User ROM); version, checksum and Update Enable (Boot
// ROM).
void forgetAreaFile(JobSettings& job, Area area);

// A device type chosen in the list: selectDevice, then each named file is
// reloaded for the new device's areas, unless the area and its address
// tables are where they were (then the image, edits included, still fits).
void changeDevice(Ui& ui, PcJobState& state, JobSettings& job, int index);

} // namespace plx71
