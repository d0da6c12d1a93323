#include "commands/token_revoke_command.hpp"

#include "tokens/token_file.hpp"

#include <algorithm>
#include <cstdio>

namespace plx71::line {

int TokenRevokeCommand::run() const
{
    TokenFileContents file = loadTokenFile(tokens);
    if (!file.error.empty()) {
        std::fprintf(stderr, "plx71line: %s\n", file.error.c_str());
        return kLineFailed;
    }
    const auto kept =
        std::remove_if(file.entries.begin(), file.entries.end(), [&](const TokenEntry& e) { return e.name == name; });
    if (kept == file.entries.end()) {
        std::fprintf(stderr, "plx71line: %s holds no token named %s\n", tokens.c_str(), name.c_str());
        return kLineFailed;
    }
    file.entries.erase(kept, file.entries.end());
    if (const std::string error = saveTokenFile(tokens, file.entries); !error.empty()) {
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
