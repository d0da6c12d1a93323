#pragma once
// What every plx71 command is: a struct that holds its options, adds its
// subcommand with them (`add`) and runs the job they describe (`run`).
// main.cpp registers the commands from one list through addCommand.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

#include <memory>

namespace plx71::cli {

// Adds command C to `app`; when the command line names it, its run becomes
// the job of this process (ctx.run), called once the line is parsed.
template <class Command>
void addCommand(CLI::App& app, CliContext& ctx)
{
    auto command = std::make_shared<Command>();
    CLI::App* sub = command->add(app);
    sub->callback([&ctx, command] { ctx.run = [&ctx, command](CliUi& ui) { return command->run(ctx, ui); }; });
}

} // namespace plx71::cli
