#pragma once
// plx71line push: ships a record file carried by hand (or left behind by a
// station that could not reach the server) to a line server, oldest line
// first, as the stations do after each job; what the server already holds
// is stored once.
#include "commands/command.hpp"

#include <string>
#include <string_view>

namespace plx71::line {

struct PushCommand {
    static constexpr std::string_view kName = "push";
    static constexpr std::string_view kGroup = "";

    std::string url;
    std::string tokenFile;
    std::string recordFile;
    std::string station;

    CLI::App* add(CLI::App& app);
    int run() const;
};

} // namespace plx71::line
