#pragma once
// plx71 ports: the serial devices of this machine and where COM1..COM4 and
// the station's named ports lead.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

namespace plx71::cli {

void addPortCommands(CLI::App& app, CliContext& ctx);

} // namespace plx71::cli
