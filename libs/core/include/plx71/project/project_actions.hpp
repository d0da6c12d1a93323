#pragma once
// Project > Open and Project > Save As, written once for every front end.
#include "plx71/image/protect_level.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/messages/file_problems.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/project/project_file.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace plx71 {

ProjectFile projectFromJob(const PcJobState& state, const JobSettings& job);

// Writes the project; a file that cannot be created or written is reported
// with a stop-icon message naming it, and false returned. The old file is
// replaced only once the new one is whole on the disk.
bool saveProject(Ui& ui, const PcJobState& state, const JobSettings& job, const std::filesystem::path& path);
// The bytes saveProject writes; nullopt (with the message shown) for a job
// whose texts the file cannot hold.
std::optional<std::vector<std::uint8_t>> projectBytesToSave(Ui& ui, const PcJobState& state, const JobSettings& job);

// What opening a project did. Refused: the file is no sound project (or
// cannot be read), and nothing changed. Otherwise the project was applied
// and the data files it names read again; each that did not load was
// forgotten (forgetAreaFile) and its problem is kept, in the order read.
struct ProjectOpening {
    std::optional<ProjectProblem> refused;
    std::vector<DataFileProblem> dataFileProblems;
};

// Reads the project, checks it against the device table, applies it to the
// job and the current device, and reloads the data files it names (each onto
// a blank area). A relative data file name is looked for beside the project
// first, then in the current folder. A protected User ROM program is taken
// as `protect` decides (none: taken). Shows nothing.
ProjectOpening applyProjectFile(PcJobState& state, JobSettings& job, const std::filesystem::path& path,
                                const ProtectDecision& protect);

// The same on the bytes of a project already in memory; relative data file
// names are looked for beside `projectPath` (none: in the current folder).
ProjectOpening applyProjectBytes(PcJobState& state, JobSettings& job, std::span<const std::uint8_t> bytes,
                                 const std::filesystem::path& projectPath = {}, const ProtectDecision& protect = {});

// Project > Open of a front end: applyProjectFile with the protect question
// on `ui` (unless `protect` says otherwise), then each problem shown on `ui`
// in the order met ("File format error" for a file that is no sound
// project). False only when the project itself was refused.
bool openProject(Ui& ui, PcJobState& state, JobSettings& job, const std::filesystem::path& path,
                 ProtectedProgram protect = ProtectedProgram::Ask);

// Shows what an opening met on `ui`, in order.
void reportOpening(Ui& ui, const ProjectOpening& opening);

} // namespace plx71
