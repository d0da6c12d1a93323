#pragma once
// The end of every link job, for one box and for each box of a gang: one
// rule turns its outcome into the exit code, the production record line and
// the JSON object.
#include "cli_context.hpp"
#include "commands/link_options.hpp"
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

// The exit code, the record line appended to the --record file (none when
// not given) and the JSON object, both with the job's id (facts.jobId, else
// a new one) and the station. A failed append is "Cannot write file" on
// `ui` and turns a success into output-not-written.
JobEnding endJob(BoxOutcome outcome, JobFacts facts, const LinkOptions& options, Ui& ui);

// endJob for a job of one box: its JSON object becomes the command's; then
// the record lines waiting are shipped (shipRecords).
int finishJob(CliContext& ctx, Ui& ui, const BoxOutcome& outcome, const JobFacts& facts, const LinkOptions& options);

// With --line: ships the record lines waiting in the --record file, within
// the shipping limits. Lines left waiting are said on stderr; the exit code
// never changes. Returns the JSON of how it went ("" without --line):
// {"shipped": bool, "waiting": n, "cause": text or null, "setAside": n}.
std::string shipRecords(const LinkOptions& options);

// `object` (a JSON object's text) with the member "line": `line` added at its
// end; unchanged when `line` is empty.
std::string withLine(std::string object, const std::string& line);

} // namespace plx71::cli
