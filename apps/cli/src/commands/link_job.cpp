#include "commands/link_job.hpp"

#include "commands/gang_job.hpp"
#include "commands/job_ending.hpp"
#include "commands/port_option.hpp"
#include "plx71/files/file_replace.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/job_id.hpp"
#include "plx71/production_record/record_file.hpp"
#include "progress/cli_progress_sink.hpp"

#include <cerrno>
#include <system_error>

namespace plx71::cli {

namespace {

// A record file that cannot take the line is found before the box is
// touched, not after it has been programmed.
bool recordCanBeKept(CliContext& ctx, CliUi& ui, const LinkOptions& options, const JobFacts& facts)
{
    errno = 0;
    if (options.productionRecordPath.empty() || productionRecordCanBeAppended(options.productionRecordPath))
        return true;
    // The failed open left its cause in errno.
    ui.messageWithDetail(Icon::Stop, msg::cannotWriteFile(options.productionRecordPath),
                         writeFailureReason(std::error_code(errno, std::generic_category())));
    BoxOutcome refused;
    refused.kind = OutcomeClass::OutputNotWritten;
    refused.filePath = options.productionRecordPath;
    ctx.jobEnded = true;
    if (ctx.json)
        ctx.jsonResult = resultJson(refused, facts, outcomeExitCode(refused.kind));
    return false;
}

int runOneBox(CliContext& ctx, CliUi& ui, const LinkOptions& options, const PortChoice& port, JobSettings& job,
              const JobFacts& facts, const GangOperation& operation)
{
    job.portSelection = port.devicePath.empty() ? port.comPortIndex : 0;
    const std::string jobId = newJobId();
    BoxSession session(ui);
    CliProgressSink sink(options.progressMode());
    const BoxOutcome outcome = operation(session, BoxTarget{port, job.linkRate}, sink);
    JobFacts boxFacts = facts; // read now: the operation may have completed them
    boxFacts.jobId = jobId;
    return finishJob(ctx, ui, outcome, boxFacts, options);
}

} // namespace

int runLinkJob(CliContext& ctx, CliUi& ui, const LinkOptions& commandOptions, JobSettings& job, const JobFacts& facts,
               const GangOperation& plainOperation)
{
    GangOperation operation = plainOperation;
    if (commandOptions.recover) {
        operation = [&plainOperation](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
            session.setRecovery(RecoveryPolicy::enabled());
            return plainOperation(session, target, sink);
        };
    }
    LinkOptions options = commandOptions;
    options.quiet = options.quiet || ctx.quiet; // -q before the command too
    options.applyRate(job);
    if (!recordCanBeKept(ctx, ui, options, facts))
        return outcomeExitCode(OutcomeClass::OutputNotWritten);
    if (options.ports.empty())
        return runOneBox(ctx, ui, options, PortChoice::com(job.portSelection), job, facts, operation);
    const ResolvedPorts resolved = resolvePortSpecs(options.ports);
    if (resolved.exitCode != kExitOk)
        return resolved.exitCode;
    if (isGang(options))
        return runGangJob(ctx, options, resolved, facts, job.linkRate, operation);
    const PortSpec& spec = resolved.specs.front();
    if (spec.port)
        return runOneBox(ctx, ui, options, *spec.port, job, facts, operation);
    const BoxOutcome outcome = unresolvedPortOutcome(spec);
    ui.operationFailed(outcome, failureMessage(outcome));
    return finishJob(ctx, ui, outcome, facts, options);
}

} // namespace plx71::cli
