#include "commands/token_list_command.hpp"

#include "tokens/token_file.hpp"

#include <cstdio>

namespace plx71::line {

int TokenListCommand::run() const
{
    const TokenFileContents file = loadTokenFile(tokens);
    if (!file.error.empty()) {
        std::fprintf(stderr, "plx71line: %s\n", file.error.c_str());
        return kLineFailed;
    }
    if (file.entries.empty())
        std::fprintf(stderr, "no tokens in %s\n", tokens.c_str());
    for (const TokenEntry& e : file.entries)
        std::printf("%-32s %s\n", e.name.c_str(), std::string(roleName(e.role)).c_str());
    return kLineOk;
}

CLI::App* TokenListCommand::add(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(std::string(kName), "list the tokens' names and roles");
    tokens = kDefaultTokenFile;
    sub->add_option("--tokens", tokens, "the token file")->capture_default_str();
    return sub;
}

} // namespace plx71::line
