#pragma once
// "Select...": a data file read onto a blank area, and the texts it sets.
#include "plx71/image/protect_level.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/messages/file_problems.hpp"
#include "plx71/messages/ui.hpp"

#include <filesystem>
#include <optional>

namespace plx71 {

// Reads `path` onto a blank area; only an accepted file replaces the image
// and sets the file name, ID / protect / version texts and the checksum (and
// Update Enable for the Boot ROM). A rejected file, or a protected program
// that `protect` refuses, leaves image and job as they were. Shows nothing:
// none when the file was loaded, else what was wrong with it.
std::optional<DataFileProblem> readAreaFile(PcJobState& state, JobSettings& job, Area area,
                                            const std::filesystem::path& path, const ProtectDecision& protect);

// What a protected program gets from a front end: the question on `ui`
// ("Level1 protect enabled\nLoad continue ?", OK loads it), or the policy's
// answer without one.
ProtectDecision protectDecision(Ui& ui, ProtectedProgram protect);

// readAreaFile with its problem shown on `ui`. True when the file loaded.
bool loadAreaFile(Ui& ui, PcJobState& state, JobSettings& job, Area area, const std::filesystem::path& path,
                  ProtectedProgram protect = ProtectedProgram::Ask);

// Recomputes the checksum of an area (after the editor's OK).
void refreshChecksum(const PcJobState& state, JobSettings& job, Area area);

} // namespace plx71
