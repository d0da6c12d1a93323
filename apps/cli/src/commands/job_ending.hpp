#pragma once
// The end of every link job, for one box and for each box of a gang: one
// rule turns its outcome into the exit code, the production record line and
// the JSON object.
#include "cli_context.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/production_record/job_record.hpp"

#include <string>

namespace plx71::cli {

struct JobEnding {
    // As recorded: a success whose record line could not be appended is
    // output-not-written.
    BoxOutcome outcome;
    int exitCode = kExitOk;
    std::string json; // this box's JSON object
};

// An outcome for a job that ended before any port was touched.
BoxOutcome refused(OutcomeClass kind, const std::string& path = {});

// The exit code of an outcome. A signal counts only for the job it stopped
// (Cancelled): a job that had ended before the signal keeps its own code.
int jobExitCode(const BoxOutcome& outcome);

// The exit code, the record line appended to `productionRecordPath` (none when
// empty) and the JSON object. A failed append is "Cannot write file" on
// `ui` and turns a success into output-not-written.
JobEnding endJob(BoxOutcome outcome, const JobFacts& facts, const std::string& productionRecordPath, Ui& ui);

// endJob for a job of one box: its JSON object becomes the command's.
int finishJob(CliContext& ctx, Ui& ui, const BoxOutcome& outcome, const JobFacts& facts,
              const std::string& productionRecordPath);

} // namespace plx71::cli
