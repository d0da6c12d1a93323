#pragma once
// plx71 upload: the job and data read back from the writer box into a
// project and, when asked, into data files.
#include "cli_context.hpp"
#include "commands/link_options.hpp"

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>

namespace plx71::cli {

struct UploadCommand {
    static constexpr std::string_view kName = "upload";
    std::string project;
    std::string userRom;
    std::string bootRom;
    bool readTwice = false;
    LinkOptions link;

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
