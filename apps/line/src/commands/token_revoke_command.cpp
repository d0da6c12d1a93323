#include "commands/token_revoke_command.hpp"

#include "tokens/token_file.hpp"

#include <algorithm>
#include <cstdio>

namespace plx71::line {

int TokenRevokeCommand::run() const
{
    const std::string error = updateTokenFile(tokens, [&](std::vector<TokenEntry>& entries) -> std::string {
        const auto kept =
            std::remove_if(entries.begin(), entries.end(), [&](const TokenEntry& e) { return e.name == name; });
        if (kept == entries.end())
            return tokens + " holds no token named " + name;
        entries.erase(kept, entries.end());
        return {};
    });
    if (!error.empty()) {
        std::fprintf(stderr, "plx71line: %s\n", error.c_str());
        return kLineFailed;
    }
    std::printf("revoked %s\n", name.c_str());
    return kLineOk;
}

CLI::App* TokenRevokeCommand::add(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(std::string(kName),
                                       "remove the token named NAME (a running server refuses "
                                       "it from its next request on)");
    tokens = kDefaultTokenFile;
    sub->add_option("--tokens", tokens, "the token file")->capture_default_str();
    sub->add_option("NAME", name, "the token's name (plx71line token list)")->required();
    return sub;
}

} // namespace plx71::line
