#pragma once
// What plx71 download and verify share: the project they open, with the
// data it names, and the job that runs it on every box.
#include "cli_context.hpp"
#include "commands/link_options.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/production_record/job_record.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace plx71::cli {

// Nothing is sent for a project that cannot be opened or holds no job.
struct ProjectJob {
    WriterState state;
    JobSettings job;
    BoxJob box; // what every box is sent
    JobFacts facts;
    std::optional<BoxOutcome> refusal;
};

void openProjectJob(const CliContext& ctx, CliUi& ui, const std::string& command, const std::string& projectPath,
                    ProjectJob& p);

// What a project command does on one box with the project.
using ProjectOperation = std::function<BoxOutcome(BoxSession&, const BoxTarget&, const ProjectJob&, ProgressSink&)>;

// Opens `project` for `command` and runs `operation` on every box with it;
// a project that is refused ends the job before any port is touched.
int runProjectJob(CliContext& ctx, CliUi& ui, std::string_view command, const std::string& project,
                  const LinkOptions& link, const ProjectOperation& operation);

} // namespace plx71::cli
