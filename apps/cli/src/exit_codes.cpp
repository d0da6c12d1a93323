#include "exit_codes.hpp"

#include <cstdio>

namespace plx71::cli {

std::string exitCodeHelp()
{
    std::string help = "Exit codes:";
    bool signalLine = false;
    for (const ExitCodeRow& row : kExitCodeRows) {
        // A code above 128 is 128 + the signal that cancelled the job.
        const bool signal = row.code > 128;
        char code[16];
        std::snprintf(code, sizeof code, signal && signalLine ? "%d " : "%-5d", int(row.code));
        help += signal && signalLine ? ", " : "\n  ";
        help += code;
        help += row.text;
        signalLine = signal;
    }
    if (signalLine)
        help += ": " + std::string(kSignalExitText);
    return help;
}

} // namespace plx71::cli
