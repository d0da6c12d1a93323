#pragma once
// Whole-file reading and writing for data files: one read, one write, and
// every failure seen (a full disk shows up at fwrite, fflush or fclose).
#include <filesystem>
#include <string>
#include <string_view>

namespace plx71 {

// The whole file into `text`. False when it cannot be opened or read.
bool readWholeFile(const std::filesystem::path& path, std::string& text);

// Creates (or replaces) the file with exactly `text`. False on any failure.
bool writeWholeFile(const std::filesystem::path& path, std::string_view text);

} // namespace plx71
