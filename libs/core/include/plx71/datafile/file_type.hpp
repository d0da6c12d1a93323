#pragma once
// One rule for the file type everywhere: the character after the last dot of
// the file name itself (not of the folders), upper-cased.
#include <filesystem>

namespace plx71 {

enum class DataFormat { IntelHex, SRecord };

// The character after the last '.' of the file name, upper-cased; 0 when the
// name has no dot (or ends with it).
char fileTypeCharacter(const std::filesystem::path& path);

// 'H' is Intel HEX; anything else, and no dot, is S-records.
DataFormat dataFormatFor(const std::filesystem::path& path);

} // namespace plx71
