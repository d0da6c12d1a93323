#pragma once
// plx71 devices | info | convert: the data side, no writer box needed.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

namespace plx71::cli {

void addFileCommands(CLI::App& app, CliContext& ctx);

} // namespace plx71::cli
