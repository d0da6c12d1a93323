#pragma once
// plx71 ports: the serial devices of this machine and where COM1..COM4 and
// the station's named ports lead.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

#include <string_view>

namespace plx71::cli {

struct PortsCommand {
    static constexpr std::string_view kName = "ports";

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
