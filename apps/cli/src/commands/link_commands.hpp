#pragma once
// plx71 versions | download | upload | firmware: the jobs that talk to the
// writer box.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

namespace plx71::cli {

void addLinkCommands(CLI::App& app, CliContext& ctx);

} // namespace plx71::cli
