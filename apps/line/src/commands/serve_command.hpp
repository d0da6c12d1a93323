#pragma once
// plx71line serve: the line's record over HTTP.
#include "commands/command.hpp"

#include <string>
#include <string_view>

namespace plx71::line {

struct ServeCommand {
    static constexpr std::string_view kName = "serve";
    static constexpr std::string_view kGroup = "";

    std::string database, listen, tokens;
    bool openRead = false;

    CLI::App* add(CLI::App& app);
    int run() const;
};

// "HOST:PORT" or "[IPv6]:PORT" -> host and port; false for anything else.
bool parseListenAddress(const std::string& text, std::string& host, int& port);

} // namespace plx71::line
