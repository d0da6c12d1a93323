#pragma once
// plx71line token revoke: removes a token; a running server refuses it at
// once (it reads the file again when it changes).
#include "commands/command.hpp"

#include <string>
#include <string_view>

namespace plx71::line {

struct TokenRevokeCommand {
    static constexpr std::string_view kName = "revoke";
    static constexpr std::string_view kGroup = "token";

    std::string tokens, name;

    CLI::App* add(CLI::App& app);
    int run() const;
};

} // namespace plx71::line
