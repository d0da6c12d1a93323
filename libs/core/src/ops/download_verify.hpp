#pragma once
// The read-back after a download: the settings record the box should hold,
// and the worker that compares it and every written page.
#include "ops/download_worker.hpp"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace plx71 {
// The settings record a box holds after a download of this job.
WriterSettings expectedSettings(const BoxJob& job);

// How the two file name fields are compared. The read-back right after a
// download compares them exactly: they were just sent, a difference is a
// spoilt frame. A verify of a stored job compares only whether each name is
// there: the box keeps the names of the files its job came from as labels,
// and a project uploaded from it names its own dump files instead.
enum class FileNameCheck { Exact, Presence };

// The first field in which `found` differs from `expected` ("device",
// "updateEnable", "userRomFileName", "bootRomFileName", "checkId",
// "targetRate", "lockBits", "operationBlocks"); empty when equal.
std::string firstSettingsDifference(const WriterSettings& expected, const WriterSettings& found,
                                    FileNameCheck names = FileNameCheck::Exact);

// The read-back's own progress: each page read weighs 256, the settings
// record one unit of 256 more.
std::int32_t verifyProgressTotal(std::size_t pageCount);

// How the read-back reads. By default one command each; a recovering job
// passes readers that resync and go on, and re-reads what differs.
struct ReadBackHooks {
    std::function<bool(std::uint16_t page, std::span<std::uint8_t, kPageSize> out)> readPage;
    std::function<std::optional<WriterSettings>()> readSettings;
    // Re-reads of a page or settings record that differs: one equal to the
    // job was the line's fault; two in a row that agree with each other
    // are what the box holds. 0: the first difference is the result.
    int rereads = 0;
};

// What the read-back found.
struct VerifyWork {
    bool commandFailed = false;   // a read failed: communication error, never a mismatch
    bool settingsMissing = false; // the box holds no job at all
    bool confirmed = false;       // the difference came back the same in two re-reads
    VerifyDifference difference;  // the first difference
    std::int32_t pagesVerified = 0;
};

// The read-back, on the worker: CMD_READ_SETTINGS compared field by field
// with `expected`, then CMD_READ_PAGE of every page of the job compared with
// its image, while the counters run. The first difference, a failed read or
// a box without a job sets the abort mark and ends it. `counters` must have
// been started with verifyProgressTotal(job.pages.size()).
VerifyWork verifyWorker(BoxLink& link, const BoxJob& job, const WriterSettings& expected, ProgressCounters& counters,
                        FileNameCheck names = FileNameCheck::Exact, const ReadBackHooks& hooks = {});

} // namespace plx71
