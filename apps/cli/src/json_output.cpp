#include "json_output.hpp"

#include "exit_codes.hpp"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define PLX71_DUP _dup
#define PLX71_DUP2 _dup2
#define PLX71_CLOSE _close
#else
#include <unistd.h>
#define PLX71_DUP ::dup
#define PLX71_DUP2 ::dup2
#define PLX71_CLOSE ::close
#endif

namespace plx71::cli {

StdoutToStderr::StdoutToStderr(bool active)
{
    if (!active)
        return;
    std::fflush(stdout);
    saved_ = PLX71_DUP(1);
    if (saved_ >= 0)
        PLX71_DUP2(2, 1);
}

void StdoutToStderr::restore()
{
    if (saved_ < 0)
        return;
    std::fflush(stdout);
    PLX71_DUP2(saved_, 1);
    PLX71_CLOSE(saved_);
    saved_ = -1;
}

std::string genericJsonResult(const std::string& command, int exitCode, const JsonObject& fields)
{
    const char* outcomeName = exitCode == kExitOk ? "success"
        : exitCode == kExitUsage                  ? "usage-error"
        : exitCode == kExitFileError              ? "file-error"
                                                  : "failed";
    JsonObject o;
    o.string("command", command).string("outcome", outcomeName).number("exitCode", exitCode).members(fields);
    return o.text();
}

void printJsonResult(const std::string& json)
{
    std::fputs(json.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace plx71::cli
