#pragma once
// The editor's rows as the dump list shows them: "%02X" per byte and one
// character per byte for the ASCII column.
#include "plx71/editor/rom_work_copy.hpp"

#include <array>
#include <string>
#include <vector>

namespace plx71 {

struct DumpRow {
    std::uint32_t address = 0;
    std::array<std::string, kEditorRowBytes> bytes; // "%02X"; empty past the area's end
    std::string ascii;                              // one character per byte of the area
};

// The page window's rows of `copy`, at most `count`.
std::vector<DumpRow> dumpRows(const RomWorkCopy& copy, int count);

} // namespace plx71
