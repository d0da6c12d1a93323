#pragma once
// plx71 versions: the boot and firmware versions of the writer box.
#include "cli_context.hpp"
#include "commands/link_options.hpp"

#include <CLI/CLI.hpp>

#include <string_view>

namespace plx71::cli {

struct VersionsCommand {
    static constexpr std::string_view kName = "versions";
    LinkOptions link;

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
