#include "utf8_arguments.hpp"

#ifdef _WIN32
#include "plx71/text/utf8_path.hpp"

#include <windows.h>

#include <shellapi.h> // needs windows.h first
#endif

namespace plx71::cli {

#ifdef _WIN32

std::vector<std::string> utf8Arguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        if (wide != nullptr)
            ::LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i)
        args.push_back(utf8FromPath(std::filesystem::path(wide[i])));
    ::LocalFree(wide);
    return args;
}

void useUtf8Console()
{
    ::SetConsoleOutputCP(CP_UTF8);
}

#else

std::vector<std::string> utf8Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void useUtf8Console() {}

#endif

} // namespace plx71::cli
