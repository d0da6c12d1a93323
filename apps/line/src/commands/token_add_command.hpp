#pragma once
// plx71line token add: makes a token, keeps its salted hash, prints it once.
#include "commands/command.hpp"

#include <string>
#include <string_view>

namespace plx71::line {

struct TokenAddCommand {
    static constexpr std::string_view kName = "add";
    static constexpr std::string_view kGroup = "token";

    std::string tokens, role, name;

    CLI::App* add(CLI::App& app);
    int run() const;
};

} // namespace plx71::line
