#pragma once
// What plx71 info and convert share: the data file, its device and its
// area, loaded as the form's "Select..." loads it.
#include "cli_context.hpp"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

namespace plx71::cli {

struct AreaOptions {
    std::string file;
    std::string device;
    std::string area = "user";
    Area kind() const { return area == "boot" ? Area::BootRom : Area::UserRom; }
};

// FILE, --device and --area.
void addAreaOptions(CLI::App* cmd, AreaOptions& o);

// What the form's "Select..." does, on a fresh state. Returns the exit code
// of a failure, or -1 when the file is loaded.
int loadForCommand(const CliContext& ctx, CliUi& ui, const AreaOptions& o, PcJobState& state, JobSettings& job);

// An address as the listings print it: six hex digits.
std::string hex06(std::uint32_t v);

} // namespace plx71::cli
