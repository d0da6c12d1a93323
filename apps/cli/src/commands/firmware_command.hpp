#pragma once
// plx71 firmware: new firmware (Intel HEX) loaded into the writer box.
#include "cli_context.hpp"
#include "commands/link_options.hpp"

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>

namespace plx71::cli {

struct FirmwareCommand {
    static constexpr std::string_view kName = "firmware";
    std::string file;
    LinkOptions link;

    CLI::App* add(CLI::App& app);
    int run(CliContext& ctx, CliUi& ui) const;
};

} // namespace plx71::cli
