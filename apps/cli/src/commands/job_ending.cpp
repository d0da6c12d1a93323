#include "commands/job_ending.hpp"

#include "build_version.hpp"
#include "describe_outcome.hpp"
#include "plx71/files/file_replace.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/record_file.hpp"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace plx71::cli {

BoxOutcome refused(OutcomeClass kind, const std::string& path)
{
    BoxOutcome o;
    o.kind = kind;
    o.filePath = path;
    return o;
}

int jobExitCode(const BoxOutcome& outcome)
{
    if (outcome.kind == OutcomeClass::Cancelled) {
        if (const int signalCode = interruptExitCode())
            return signalCode;
    }
    return outcomeExitCode(outcome.kind);
}

JobEnding endJob(BoxOutcome outcome, const JobFacts& facts, const std::string& productionRecordPath, Ui& ui)
{
    if (!outcome.failedCommand.empty())
        ui.detail(failedCommandLine(outcome));
    if (outcome.ok() && outcome.recovery)
        ui.detail(finishedLine(outcome));
    JobEnding end;
    end.exitCode = jobExitCode(outcome);
    errno = 0;
    if (!productionRecordPath.empty()
        && !appendProductionRecordLine(productionRecordPath,
                                       productionRecordLine(outcome, facts, end.exitCode, programVersion()))) {
        ui.messageWithDetail(Icon::Exclamation, msg::cannotWriteFile(productionRecordPath),
                             writeFailureReason(std::error_code(errno, std::generic_category())));
        if (outcome.ok()) {
            outcome.kind = OutcomeClass::OutputNotWritten;
            outcome.filePath = productionRecordPath;
            end.exitCode = outcomeExitCode(outcome.kind);
        }
    }
    end.json = resultJson(outcome, facts, end.exitCode);
    end.outcome = std::move(outcome);
    return end;
}

int finishJob(CliContext& ctx, Ui& ui, const BoxOutcome& outcome, const JobFacts& facts,
              const std::string& productionRecordPath)
{
    JobEnding end = endJob(outcome, facts, productionRecordPath, ui);
    ctx.jobEnded = true;
    if (ctx.json)
        ctx.jsonResult = std::move(end.json);
    return end.exitCode;
}

} // namespace plx71::cli
