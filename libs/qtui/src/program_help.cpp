#include "plx71/qtui/program_help.hpp"

#include "plx71_version.hpp"

#include <cstdio>
#include <cstring>

namespace plx71::qtui {

namespace {

int print(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("cannot write to standard output\n", stderr);
        return 1;
    }
    return 0;
}

std::string versionText(const ProgramHelp& help)
{
    std::string text = help.name + " " + PLX71_PROJECT_VERSION;
    if (*PLX71_GIT_COMMIT)
        text += std::string(" (git ") + PLX71_GIT_COMMIT + ")";
    return text + '\n';
}

} // namespace

std::optional<int> answerHelpOrVersion(int argc, const char* const* argv, const ProgramHelp& help)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return print(help.usage);
        if (std::strcmp(argv[i], "--version") == 0)
            return print(versionText(help));
    }
    return std::nullopt;
}

} // namespace plx71::qtui
