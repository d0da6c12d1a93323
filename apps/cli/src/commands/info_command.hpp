#pragma once
// plx71 info: a data file loaded as "Select..." loads it, and what the form
// then shows of it.
#include "cli_context.hpp"
#include "commands/area_options.hpp"

#include <CLI/CLI.hpp>

#include <string_view>

namespace plx71::cli {

struct InfoCommand {
    static constexpr std::string_view kName = "info";
    AreaOptions area;

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
