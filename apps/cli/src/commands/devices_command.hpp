#pragma once
// plx71 devices: the device types of the device table, no writer box needed.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

#include <string_view>

namespace plx71::cli {

struct DevicesCommand {
    static constexpr std::string_view kName = "devices";

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
