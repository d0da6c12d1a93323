// plx71: the writer box jobs from the command line, for scripts and
// production lines. Exit 0 on success, 1 when a message was shown, a question
// was answered Cancel or Ctrl-C was pressed, 2 for a usage error.
#include "cli_context.hpp"
#include "commands/file_commands.hpp"
#include "commands/link_commands.hpp"
#include "utf8_arguments.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using namespace plx71::cli;
    CliContext ctx;
    CLI::App app{"plx71 - PLX-71RD writer jobs from the command line"};
    app.fallthrough();
    app.require_subcommand(1);
    app.add_option("--table", ctx.tablePath, "device definition table (default: plx71typ.tbl beside plx71)");
    app.add_flag("--yes", ctx.yes, "answer OK to every question (default: Cancel)");
    addFileCommands(app, ctx);
    addLinkCommands(app, ctx);

    const std::vector<std::string> args = utf8Arguments(argc, argv);
    std::vector<const char*> argPointers;
    for (const std::string& a : args)
        argPointers.push_back(a.c_str());
    useUtf8Console();
    try {
        app.parse(int(argPointers.size()), argPointers.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    if (!ctx.run)
        return kExitUsage;

    installInterruptHandler();
    CliUi ui(ctx.yes);
    int rc = ctx.run(ui);
    if (rc == kExitOk && (ui.failed() || interrupted()))
        rc = kExitFailed;
    return rc;
}
