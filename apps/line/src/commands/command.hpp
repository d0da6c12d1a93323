#pragma once
// What every plx71line command is: a struct that holds its options, adds
// its subcommand with them (`add`) and runs (`run`, returning the exit
// code). main.cpp registers the commands from one list; kGroup names the
// parent command ("token" for "plx71line token add"), empty for none.
#include <CLI/CLI.hpp>

#include <functional>
#include <memory>

namespace plx71::line {

enum LineExitCode { kLineOk = 0, kLineFailed = 1, kLineUsage = 2 };

struct LineContext {
    std::function<int()> run; // the command the line named
};

template <class Command>
void addCommand(CLI::App& parent, LineContext& ctx)
{
    auto command = std::make_shared<Command>();
    CLI::App* sub = command->add(parent);
    sub->callback([&ctx, command] { ctx.run = [command] { return command->run(); }; });
}

} // namespace plx71::line
