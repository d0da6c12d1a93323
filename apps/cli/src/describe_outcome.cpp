#include "describe_outcome.hpp"

#include <cstdio>

namespace plx71::cli {

std::string describe(const BoxOutcome& outcome)
{
    const FailureText t = failureMessage(outcome);
    return t.detail.empty() ? t.text : t.text + "\n" + t.detail;
}

std::string failedCommandLine(const BoxOutcome& outcome)
{
    std::string line = "failed command: " + outcome.failedCommand;
    if (outcome.failedPage) {
        char page[8];
        std::snprintf(page, sizeof page, "%04X", unsigned(*outcome.failedPage));
        line += std::string(", page ") + page;
    }
    return line;
}

} // namespace plx71::cli
