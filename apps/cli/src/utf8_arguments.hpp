#pragma once
// The command line and the console in UTF-8, the text of every file name
// inside the core.
#include <string>
#include <vector>

namespace plx71::cli {

// The program's arguments as UTF-8. On Windows main() receives them in the
// ANSI code page, where a name outside it arrives as '?', so they are taken
// from the wide command line instead; elsewhere they are argv as given.
std::vector<std::string> utf8Arguments(int argc, char** argv);

// Lets a Windows console show the UTF-8 names the program prints; nothing to
// do elsewhere.
void useUtf8Console();

} // namespace plx71::cli
