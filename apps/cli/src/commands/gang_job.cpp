#include "commands/gang_job.hpp"

#include "commands/box_ui.hpp"
#include "commands/gang_status.hpp"
#include "commands/job_ending.hpp"
#include "describe_outcome.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/job_id.hpp"
#include "plx71/text/json_writer.hpp"
#include "progress/box_board.hpp"
#include "progress/cli_progress_sink.hpp"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace plx71::cli {

namespace {

std::string gangJson(const std::string& command, const std::vector<JobEnding>& ends, int worst, const std::string& line)
{
    JsonArray boxes;
    for (const JobEnding& end : ends)
        boxes.raw(end.json);
    return withLine(JsonObject().string("command", command).number("exitCode", worst).raw("boxes", boxes.text()).text(),
                    line);
}

} // namespace

std::string gangSummaryTable(const std::vector<BoxOutcome>& outcomes)
{
    std::size_t portWidth = 4, nameWidth = 11;
    for (const auto& o : outcomes) {
        portWidth = std::max(portWidth, o.portName.size());
        nameWidth = std::max(nameWidth, o.stableName.size());
    }
    auto row = [&](const std::string& port, const std::string& name, const std::string& outcome,
                   const std::string& written, const std::string& verified, const std::string& time,
                   const std::string& firmware) {
        char line[512];
        std::snprintf(line, sizeof line, "%-*s  %-*s  %-26s %7s %8s %8s  %s", int(portWidth), port.c_str(),
                      int(nameWidth), name.c_str(), outcome.c_str(), written.c_str(), verified.c_str(), time.c_str(),
                      firmware.c_str());
        std::string text = line;
        text.erase(text.find_last_not_of(' ') + 1);
        return text + "\n";
    };
    std::string table = row("PORT", "STABLE NAME", "OUTCOME", "WRITTEN", "VERIFIED", "TIME", "FIRMWARE");
    for (const auto& o : outcomes) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", double(o.duration.count()) / 1000.0);
        table += row(o.portName, o.stableName.empty() ? "-" : o.stableName, std::string(outcomeClassName(o.kind)),
                     std::to_string(o.pagesWritten), std::to_string(o.pagesVerified), seconds,
                     o.notReadBack ? o.firmwareVersion + " (" + std::string(msg::kLoadedNotReadBack) + ")"
                                   : o.firmwareVersion);
    }
    return table;
}

int runGangJob(CliContext& ctx, const LinkOptions& options, const ResolvedPorts& resolved, const JobFacts& facts,
               LinkRate rate, const GangOperation& operation)
{
    const std::size_t count = resolved.specs.size();
    const ProgressMode mode = options.progressMode();
    std::unique_ptr<BoxBoard> board;
    if (mode == ProgressMode::Bar)
        board = std::make_unique<BoxBoard>(count);

    std::vector<std::unique_ptr<BoxUi>> uis;
    std::vector<std::unique_ptr<CliProgressSink>> sinks;
    std::vector<GangBox> boxes;
    std::vector<std::size_t> portOfBox; // which --port each running box came from
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& label = resolved.specs[i].given;
        uis.push_back(std::make_unique<BoxUi>(label, ctx.yes, board.get()));
        sinks.push_back(std::make_unique<CliProgressSink>(mode, label, board.get(), i));
        if (resolved.specs[i].port) {
            boxes.push_back({*resolved.specs[i].port, uis.back().get(), sinks.back().get()});
            portOfBox.push_back(i);
        }
    }

    // The line's page follows every box (with --line); its poster never holds a box up.
    GangStatus lineStatus(options, resolved, facts);
    for (std::size_t i = 0; i < count; ++i)
        sinks[i]->onPhase = [&lineStatus, i](ProgressPhase phase) { lineStatus.phase(i, phase); };
    std::vector<JobEnding> ends(count);
    std::vector<std::string> jobIds(count); // each box's job starts now
    for (std::string& id : jobIds)
        id = newJobId();
    const auto endBox = [&](std::size_t i, const BoxOutcome& outcome) {
        JobFacts boxFacts = facts;
        boxFacts.jobId = jobIds[i];
        ends[i] = endJob(outcome, std::move(boxFacts), options, *uis[i]);
        lineStatus.ended(i, ends[i].outcome);
        if (board)
            board->setRow(i, resolved.specs[i].given + "  " + std::string(outcomeClassName(ends[i].outcome.kind)));
    };
    // A port that reaches no device ends at once, on its own; the others run.
    for (std::size_t i = 0; i < count; ++i) {
        if (!resolved.specs[i].port) {
            const BoxOutcome outcome = unresolvedPortOutcome(resolved.specs[i]);
            uis[i]->operationFailed(outcome, failureMessage(outcome));
            endBox(i, outcome);
        }
    }
    GangOptions gang;
    gang.rate = rate;
    gang.onBoxEnded = [&](std::size_t box, const BoxOutcome& outcome) { endBox(portOfBox[box], outcome); };
    runGang(boxes, operation, gang);
    if (board)
        board->finish();

    int worst = kExitOk;
    std::vector<BoxOutcome> outcomes;
    for (const JobEnding& end : ends) {
        worst = std::max(worst, end.exitCode);
        outcomes.push_back(end.outcome);
    }
    std::fputs(gangSummaryTable(outcomes).c_str(), stdout);
    std::fflush(stdout);
    ctx.jobEnded = true;
    const std::string line = shipRecords(options); // every box's line, once all have ended
    if (ctx.json)
        ctx.jsonResult = gangJson(facts.command, ends, worst, line);
    return worst;
}

} // namespace plx71::cli
