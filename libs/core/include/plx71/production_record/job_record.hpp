#pragma once
// Machine-readable results of a job: the JSON object `plx71 --json` prints
// and the production record line appended per job. One place builds both,
// so a script reading either finds the same fields.
#include "plx71/ops/box_job.hpp"
#include "plx71/ops/box_outcome.hpp"
// The file the record lines are appended to.
#include "plx71/production_record/record_file.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plx71 {

// A file the job read or wrote, with the SHA-256 of its bytes (empty when
// it could not be read).
struct FileFact {
    std::string role; // "userRom", "bootRom", "project", "firmware", "output"
    std::string path;
    std::string sha256; // 64 lower-case hex digits
};

// What a result says about the job besides the outcome.
struct JobFacts {
    std::string command; // "download", "verify", "upload", "firmware", "versions", ...
    std::string device;  // device type name
    std::vector<FileFact> files;
    std::string userRomFileName; // as sent to / read from the box
    std::string bootRomFileName;
    std::string userRomChecksum; // "%04X" area checksums, empty without data
    std::string bootRomChecksum;
    std::string idCode; // "01,02,03,04,05,06,07"
    std::optional<std::uint8_t> operationBlockMask;
    std::optional<std::uint8_t> lockBitMask;
    // Who ran which job: the job's random UUID (job_id.hpp), the station or
    // script (default the host name) and the job digest (job_digest.hpp;
    // empty without a device, as for firmware and versions).
    std::string jobId;
    std::string station;
    std::string jobDigest;
};

// The facts of a download/verify/upload job (checksums, ID, masks, file
// names), as the box job states them; the file list, the job id, the station
// and the job digest are left to the caller (the job digest to prepareJob).
JobFacts jobFactsOf(const std::string& command, const BoxJob& job);
// A FileFact with the SHA-256 of the file's bytes (empty hash when unreadable).
FileFact fileFact(const std::string& role, const std::string& path);

// One JSON object on one line (no newline): command, outcome class and its
// exit code, job id, station and job digest, port and device path, versions, device, files, checksums, ID,
// masks, pages written and verified, whether blank pages were skipped and
// how many, first mismatch, failed command, port
// problem, duration in ms.
std::string resultJson(const BoxOutcome& outcome, const JobFacts& facts, int exitCode);

// The record line of a job: "time" (UTC, ISO 8601), "host" and
// "programVersion", then the same fields; ends with '\n'. Facts without a
// job id get a fresh one and without a station the host name: every line
// is a job of its own.
std::string productionRecordLine(const BoxOutcome& outcome, const JobFacts& facts, int exitCode,
                                 const std::string& programVersion);

} // namespace plx71
