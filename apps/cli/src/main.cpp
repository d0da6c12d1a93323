// plx71: the writer box jobs from the command line, for scripts and
// production lines. Exit 0 on success, 1 when a message was shown, a question
// was answered Cancel or Ctrl-C was pressed, 2 for a usage error.
#include "cli_context.hpp"
#include "commands/file_commands.hpp"
#include "commands/port_commands.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>

#if __has_include("commands/link_commands.hpp")
#include "commands/link_commands.hpp"
#define PLX71_HAVE_LINK_COMMANDS 1
#endif

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
#ifdef PLX71_HAVE_LINK_COMMANDS
    addLinkCommands(app, ctx);
#endif
    addPortCommands(app, ctx);

    try {
        app.parse(argc, argv);
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
