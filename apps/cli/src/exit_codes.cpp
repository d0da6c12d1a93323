#include "exit_codes.hpp"

namespace plx71::cli {

int exitCodeFor(OutcomeClass c)
{
    // One table for plx71 and the records of every program.
    return outcomeExitCode(c);
}

} // namespace plx71::cli
