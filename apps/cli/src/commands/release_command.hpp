#pragma once
// plx71 release: a project's job digest released for the line (an
// engineer's token), or a release revoked. Stations that run with
// --require-release refuse a job whose digest is not released.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>

namespace plx71::cli {

struct ReleaseCommand {
    static constexpr std::string_view kName = "release";
    std::string project;
    std::string revoke; // --revoke DIGEST
    std::string lineUrl;
    std::string lineTokenPath;
    std::string note;

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
