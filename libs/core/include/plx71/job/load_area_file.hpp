#pragma once
// "Select...": a data file read onto a blank area, and the texts it sets.
#include "plx71/image/protect_level.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/messages/ui.hpp"

#include <filesystem>

namespace plx71 {

// Reads `path` onto a blank area; only an accepted file replaces the image
// and sets the file name, ID / protect / version texts and the checksum (and
// Update Enable for the Boot ROM). A rejected file, or Cancel at the protect
// question, leaves image and job as they were. `protect`: what a protected
// program gets (the question by default).
bool loadAreaFile(Ui& ui, WriterState& state, JobSettings& job, Area area, const std::filesystem::path& path,
                  ProtectedProgram protect = ProtectedProgram::Ask);

// Recomputes the checksum of an area (after the editor's OK).
void refreshChecksum(const WriterState& state, JobSettings& job, Area area);

} // namespace plx71
