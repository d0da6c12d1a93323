#include "commands/token_add_command.hpp"

#include "tokens/token_file.hpp"

#include <algorithm>
#include <cstdio>

namespace plx71::line {

int TokenAddCommand::run() const
{
    if (!validTokenName(name)) {
        std::fprintf(stderr, "plx71line: token name \"%s\": use 1 to 64 letters, digits, '.', '_', '-', '@'\n",
                     name.c_str());
        return kLineUsage;
    }
    NewToken made;
    const std::string error = updateTokenFile(tokens, [&](std::vector<TokenEntry>& entries) -> std::string {
        if (std::any_of(entries.begin(), entries.end(), [&](const TokenEntry& e) { return e.name == name; }))
            return tokens + " already holds a token named " + name + ": revoke it first";
        made = makeToken(name, *roleFromName(role));
        entries.push_back(made.entry);
        return {};
    });
    if (!error.empty()) {
        std::fprintf(stderr, "plx71line: %s\n", error.c_str());
        return kLineFailed;
    }
    std::printf("added %s (%s) to %s; the token, shown only this once:\n%s\n", name.c_str(), role.c_str(),
                tokens.c_str(), made.token.c_str());
    return kLineOk;
}

CLI::App* TokenAddCommand::add(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(std::string(kName),
                                       "make a new token for NAME and print it once, alone on the last line; "
                                       "the file keeps only a salted hash, the name and the role");
    tokens = kDefaultTokenFile;
    sub->add_option("--tokens", tokens, "the token file")->capture_default_str();
    sub->add_option("--role", role,
                    "station: ships records (and reads); engineer: also releases jobs; viewer: reads the API only")
        ->required()
        ->check(CLI::IsMember({"station", "engineer", "viewer"}));
    sub->add_option("NAME", name, "the station, script or person the token is for")->required();
    return sub;
}

} // namespace plx71::line
