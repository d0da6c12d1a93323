#pragma once
// A project opened for a box job, once, for every front end that runs one
// (plx71 download and verify, the station; PLX71RD's Download prepares the
// form's job the same way): read, refused when nothing could be sent, and the
// facts the record and the header need computed. It turns into its BoxJob
// here, at the door; what runs the job on a box parses nothing of it again.
#include "plx71/devices/device_table.hpp"
#include "plx71/image/protect_level.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/messages/file_problems.hpp"
#include "plx71/ops/box_job.hpp"
#include "plx71/production_record/job_record.hpp"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace plx71 {

struct PreparedJob {
    PcJobState state; // the project applied: the device and the images
    JobSettings job;  // the form's fields as the project holds them (port and rate included)
    BoxJob box;       // what every box is sent and what its read-back compares
    // What the record and the header state: checksums, masks, ID, the job
    // digest, and the files with their SHA-256 (the project first, then the
    // data files). The facts step (prepareJob) fills them, and so whatever
    // else the record comes to say about the job.
    JobFacts facts;
    // Data files the project names that did not load (forgotten, as Project
    // > Open forgets them), in the order they were read; shown before
    // anything else is said about the job.
    std::vector<DataFileProblem> dataFileProblems;
};

// Why a project gives no job; the facts so far go into the record.
struct ProjectRefusal {
    std::optional<ProjectProblem> project; // the project file itself was refused
    std::optional<Unsendable> unsendable;  // it opened, but nothing could be sent
    std::vector<DataFileProblem> dataFileProblems;
    JobFacts facts; // the command and the project file; all of it once the project opened
};

// The facts step, for a job already in memory (the form's): the BoxJob and
// the facts of `command` (with a device, the job digest) with the data files
// it names, hashed.
PreparedJob prepareJob(PcJobState state, JobSettings job, const std::string& command);

// The facts prepareJob states of a job read from a box (plx71 upload), the
// job digest included, without the data files: what the upload wrote is
// named by its caller.
JobFacts readJobFacts(const std::string& command, const PcJobState& state, const JobSettings& job);

// Opens `projectPath` (UTF-8) with `table` for a job of `command`: the
// project's hash is taken before it is read; a protected User ROM program is
// taken as `protect` decides, at the moment it is found.
std::variant<PreparedJob, ProjectRefusal> openPreparedJob(const DeviceTable& table, const std::string& projectPath,
                                                          const std::string& command, const ProtectDecision& protect);

} // namespace plx71
