// plx71: the writer box jobs from the command line, for scripts and
// production lines. The exit codes and their --help text are in exit_codes.hpp.
#include "build_version.hpp"
#include "cli_context.hpp"
#include "commands/command.hpp"
#include "commands/convert_command.hpp"
#include "commands/devices_command.hpp"
#include "commands/download_command.hpp"
#include "commands/firmware_command.hpp"
#include "commands/info_command.hpp"
#include "commands/link_options.hpp"
#include "commands/ports_command.hpp"
#include "commands/release_command.hpp"
#include "commands/upload_command.hpp"
#include "commands/verify_command.hpp"
#include "commands/versions_command.hpp"
#include "heap_reuse.hpp"
#include "json_output.hpp"
#include "utf8_arguments.hpp"

#include "plx71/production_record/job_record.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace plx71::cli;

// Building every subcommand costs CLI11 more time than the whole of
// "plx71 devices" itself, so a command line that names a command builds
// only its group. Help, the version and anything unknown build all groups,
// so the help texts and the errors stay the same.
enum CommandGroup : unsigned { kFileGroup = 1, kLinkGroup = 2, kPortGroup = 4, kAllGroups = 7 };

struct CommandEntry {
    std::string_view name;
    CommandGroup group;
    void (*add)(CLI::App&, CliContext&);
};

template <class Command>
constexpr CommandEntry entry(CommandGroup group)
{
    return {Command::kName, group, &addCommand<Command>};
}

// Every command, in the order of the help.
constexpr CommandEntry kCommands[] = {
    entry<DevicesCommand>(kFileGroup),  entry<InfoCommand>(kFileGroup),     entry<ConvertCommand>(kFileGroup),
    entry<VersionsCommand>(kLinkGroup), entry<DownloadCommand>(kLinkGroup), entry<VerifyCommand>(kLinkGroup),
    entry<UploadCommand>(kLinkGroup),   entry<FirmwareCommand>(kLinkGroup), entry<PortsCommand>(kPortGroup),
    entry<ReleaseCommand>(kFileGroup),
};

unsigned groupOf(std::string_view name)
{
    for (const CommandEntry& command : kCommands) {
        if (command.name == name)
            return command.group;
    }
    return kAllGroups;
}

unsigned groupsNeeded(const std::vector<std::string>& args)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help" || a == "--help-all" || a == "--version")
            return kAllGroups;
        if (a == "--table") {
            ++i; // its value
            continue;
        }
        if (!a.empty() && a[0] != '-')
            return groupOf(a);
    }
    return kAllGroups;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace plx71;
    using namespace plx71::cli;
    keepFreedMemoryForReuse();
    CliContext ctx;
    CLI::App app{"plx71 - PLX-71RD writer jobs from the command line"};
    app.fallthrough();
    app.require_subcommand(1);
    app.footer(exitCodeHelp());
    app.set_version_flag("--version", versionLine());
    app.add_option("--table", ctx.tablePath,
                   "device definition table (default: plx71typ.tbl beside plx71, else in ../share/plx71)")
        ->check(nonEmptyFileName());
    app.add_flag("--yes", ctx.yes, "answer OK to every question (default: Cancel)");
    app.add_flag("--json", ctx.json, "print one JSON object with the result on stdout (messages stay on stderr)");
    app.add_flag("-q,--quiet", ctx.quiet, "no progress display, before or after the command");
    const std::vector<std::string> args = utf8Arguments(argc, argv);
    const unsigned groups = groupsNeeded(args);
    for (const CommandEntry& command : kCommands) {
        if (groups & command.group)
            command.add(app, ctx);
    }

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
    } catch (const CLI::CallForVersion& e) {
        if (std::find(args.begin(), args.end(), "--json") == args.end())
            return app.exit(e);
        printJsonResult(genericJsonResult("version", kExitOk, JsonObject().string("version", versionLine())));
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        if (ctx.json)
            printJsonResult(genericJsonResult("", kExitUsage));
        return kExitUsage;
    }
    if (!ctx.run)
        return kExitUsage;
    for (const CLI::App* sub : app.get_subcommands())
        ctx.command = sub->get_name();

    installInterruptHandler();
    CliUi ui(ctx.yes);
    // With --json, what a command prints for people goes to stderr, so
    // stdout holds the JSON object alone.
    StdoutToStderr humanOutput(ctx.json);
    int rc = ctx.run(ui);
    humanOutput.restore();
    if (rc == kExitOk && !ctx.jobEnded && (ui.failed() || interrupted()))
        rc = interrupted() ? interruptExitCode() : kExitFailed;
    if (ctx.json)
        printJsonResult(ctx.jsonResult.empty()
                            ? genericJsonResult(ctx.command, rc, rc == kExitOk ? ctx.jsonFields : JsonObject())
                            : ctx.jsonResult);
    return rc;
}
