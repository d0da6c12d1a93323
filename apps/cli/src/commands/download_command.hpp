#pragma once
// plx71 download: a project's job and data stored in the writer box and
// read back.
#include "cli_context.hpp"
#include "commands/link_options.hpp"

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>

namespace plx71::cli {

struct DownloadCommand {
    static constexpr std::string_view kName = "download";
    std::string project;
    bool noVerify = false;
    bool skipBlank = false;
    LinkOptions link;

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
