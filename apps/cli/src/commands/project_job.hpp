#pragma once
// What plx71 download and verify share: the project they open, prepared for
// a box job once, and the job that runs it on every box.
#include "cli_context.hpp"
#include "commands/link_options.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/prepared_job/prepared_job.hpp"

#include <functional>
#include <string>
#include <string_view>
#include <variant>

namespace plx71::cli {

// Opens `projectPath` with the --table device table for `command`; every
// problem met is shown on `ui` in the order met, and a project that gives no
// job says why on stderr ("...: no device type selected; nothing sent").
// Nothing is sent for a refused project.
std::variant<PreparedJob, ProjectRefusal> openProjectJob(const CliContext& ctx, CliUi& ui, const std::string& command,
                                                         const std::string& projectPath);

// What a project command does on one box with the prepared job.
using ProjectOperation = std::function<BoxOutcome(BoxSession&, const BoxTarget&, const PreparedJob&, ProgressSink&)>;

// Opens `project` for `command` and runs `operation` on every box with it;
// a project that is refused ends the job before any port is touched.
int runProjectJob(CliContext& ctx, CliUi& ui, std::string_view command, const std::string& project,
                  const LinkOptions& link, const ProjectOperation& operation);

} // namespace plx71::cli
