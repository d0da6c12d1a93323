#pragma once
// A path or argument quoted for a POSIX shell command line.
#include <filesystem>
#include <string>

namespace plx71::test {

inline std::string shellQuote(const std::filesystem::path& p)
{
    std::string out = "'";
    for (char c : p.string()) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

} // namespace plx71::test
