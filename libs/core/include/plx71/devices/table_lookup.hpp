#pragma once
// Where the programs look for the device table "plx71typ.tbl": beside the
// executable first (a build folder, a copied or unpacked program), then in
// the data folder of an installed copy, found from the executable's own
// folder so a relocated install works too (<prefix>/bin/plx71 reads
// <prefix>/share/plx71/plx71typ.tbl). The current directory plays no part.
#include <filesystem>
#include <vector>

namespace plx71 {

// The data folder of an install, relative to the folder of its programs.
inline constexpr const char* kInstalledDataFolder = "../share/plx71";

// "plx71typ.tbl" in the directory of the given executable.
std::filesystem::path deviceTableBeside(const std::filesystem::path& executable);

// Every place looked at, in the order they are tried.
std::vector<std::filesystem::path> deviceTableCandidates(const std::filesystem::path& executable);

// The first candidate that is a file. When none is, the place beside the
// executable, so a missing table is reported just as for a program that was
// never installed.
std::filesystem::path locateDeviceTable(const std::filesystem::path& executable);

} // namespace plx71
