#include "commands/job_ending.hpp"

#include "build_version.hpp"
#include "describe_outcome.hpp"
#include "plx71/files/file_replace.hpp"
#include "plx71/line/shipper.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/job_id.hpp"
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

JobEnding endJob(BoxOutcome outcome, JobFacts facts, const LinkOptions& options, Ui& ui)
{
    const std::string& productionRecordPath = options.productionRecordPath;
    if (facts.jobId.empty())
        facts.jobId = newJobId(); // a job refused before it reached a box
    facts.station = options.station();
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

int finishJob(CliContext& ctx, Ui& ui, const BoxOutcome& outcome, const JobFacts& facts, const LinkOptions& options)
{
    JobEnding end = endJob(outcome, facts, options, ui);
    ctx.jobEnded = true;
    const std::string line = shipRecords(options);
    if (ctx.json)
        ctx.jsonResult = withLine(std::move(end.json), line);
    return end.exitCode;
}

std::string withLine(std::string object, const std::string& line)
{
    if (line.empty() || object.size() < 2 || object.back() != '}')
        return object;
    object.pop_back();
    return object + (object.size() > 1 ? "," : "") + "\"line\":" + line + "}";
}

std::string shipRecords(const LinkOptions& options)
{
    if (options.lineUrl.empty())
        return {};
    line::ShipperSettings settings;
    settings.url = options.lineUrl;
    settings.tokenFile = options.lineTokenPath;
    settings.recordFile = options.productionRecordPath;
    settings.station = options.station();
    const line::LineStatus status = line::Shipper(settings).shipNow();
    const line::ShipReport& r = status.report;
    const auto lines = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " line" : " lines"); };
    if (r.setAside > 0)
        std::fprintf(stderr, "record: %s refused by the line server, kept locally only\n", lines(r.setAside).c_str());
    if (!r.shipped())
        std::fprintf(stderr, "record: kept locally, %s waiting for the line server (%s)\n", lines(r.waiting).c_str(),
                     r.cause.c_str());
    JsonObject o;
    o.boolean("shipped", r.shipped()).number("waiting", std::int64_t(r.waiting));
    if (r.shipped())
        o.null("cause");
    else
        o.string("cause", r.cause);
    return o.number("setAside", std::int64_t(r.setAside)).text();
}

} // namespace plx71::cli
