#pragma once
// plx71 verify: the writer box compared with a project, nothing written.
#include "cli_context.hpp"
#include "commands/link_options.hpp"

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>

namespace plx71::cli {

struct VerifyCommand {
    static constexpr std::string_view kName = "verify";
    std::string project;
    LinkOptions link;

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
