#include "describe_outcome.hpp"

namespace plx71::cli {

std::string describe(const BoxOutcome& outcome)
{
    const FailureText t = failureMessage(outcome);
    return t.detail.empty() ? t.text : t.text + "\n" + t.detail;
}

} // namespace plx71::cli
