#pragma once
// plx71line token list: the names and roles of the tokens (never a token).
#include "commands/command.hpp"

#include <string>
#include <string_view>

namespace plx71::line {

struct TokenListCommand {
    static constexpr std::string_view kName = "list";
    static constexpr std::string_view kGroup = "token";

    std::string tokens;

    CLI::App* add(CLI::App& app);
    int run() const;
};

} // namespace plx71::line
