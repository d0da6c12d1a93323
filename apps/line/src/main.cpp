// plx71line: the line's record. Every station and script ships its record
// lines here (POST /api/v1/records); the line reads them back as JSON and
// Prometheus metrics. Exit codes: 0 done, 1 failed (message on stderr),
// 2 usage error.
#include "commands/command.hpp"
#include "commands/push_command.hpp"
#include "commands/serve_command.hpp"
#include "commands/token_add_command.hpp"
#include "commands/token_list_command.hpp"
#include "commands/token_revoke_command.hpp"

#include "plx71_version.hpp"

#include <CLI/CLI.hpp>

#include <map>
#include <string>
#include <string_view>

namespace {

using namespace plx71::line;

struct CommandEntry {
    std::string_view group; // the parent command, empty for none
    void (*add)(CLI::App&, LineContext&);
};

template <class Command>
constexpr CommandEntry entry()
{
    return {Command::kGroup, &addCommand<Command>};
}

// Every command, in the order of the help.
constexpr CommandEntry kCommands[] = {
    entry<ServeCommand>(),       entry<TokenAddCommand>(), entry<TokenListCommand>(),
    entry<TokenRevokeCommand>(), entry<PushCommand>(),
};

// What the parent commands say of themselves.
const std::map<std::string_view, std::string_view> kGroups = {
    {"token", "make, list and revoke the tokens stations, scripts and readers present"},
};

std::string versionLine()
{
    std::string v = std::string("plx71line ") + PLX71_PROJECT_VERSION;
    if (*PLX71_GIT_COMMIT)
        v += std::string(" (git ") + PLX71_GIT_COMMIT + ")";
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"plx71line - the line's record: every station's jobs in one database (SQLite or PostgreSQL)"};
    app.require_subcommand(1);
    app.set_version_flag("--version", versionLine());
    app.footer("Exit codes: 0 done, 1 failed (the message says why), 2 usage error.");
    LineContext ctx;
    std::map<std::string_view, CLI::App*> groups;
    for (const CommandEntry& command : kCommands) {
        CLI::App* parent = &app;
        if (!command.group.empty()) {
            CLI::App*& group = groups[command.group];
            if (!group) {
                group = app.add_subcommand(std::string(command.group), std::string(kGroups.at(command.group)));
                group->require_subcommand(1);
            }
            parent = group;
        }
        command.add(*parent, ctx);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? kLineOk : kLineUsage;
    }
    return ctx.run ? ctx.run() : kLineUsage;
}
