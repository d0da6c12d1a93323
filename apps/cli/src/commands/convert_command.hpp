#pragma once
// plx71 convert: a data file loaded and saved again, whole or in ranges.
#include "cli_context.hpp"
#include "commands/area_options.hpp"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace plx71::cli {

struct ConvertCommand {
    static constexpr std::string_view kName = "convert";
    AreaOptions area;
    std::string out;
    std::optional<std::string> ranges; // --ranges; absent: the whole area

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
