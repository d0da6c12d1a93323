#pragma once
// What the settings form does to the job, written once for every front end.
#include "plx71/job/job_settings.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/ui/ui.hpp"

#include <filesystem>
#include <optional>
#include <string_view>

namespace plx71 {

// The Target Board texts of the current device (areas, blocks, voltages).
void showTargetBoard(const WriterState& state, JobSettings& job);

// "0" for a single-block device, else "0-<lastBlock>" (also the Memory
// Clear preset).
std::string blockRangeText(std::int32_t lastBlock);

// Makes deviceTable[index] the current device and refreshes the Target
// Board texts. index must be a valid table index.
void selectDevice(WriterState& state, JobSettings& job, int index);

// "Select...": reads `path` onto a blank area; only an accepted file replaces
// the image and sets the file name, ID / protect / version texts and the
// checksum (and Update Enable for the Boot ROM). A rejected file, or Cancel at
// the protect question, leaves image and job as they were.
bool loadAreaFile(Ui& ui, WriterState& state, JobSettings& job, Area area, const std::filesystem::path& path);

// Recomputes the checksum text of an area (after the editor's OK).
void refreshChecksumText(const WriterState& state, JobSettings& job, Area area);

// The seven Check ID bytes: groups of one or two hex digits separated by
// blanks and commas; exactly seven groups. Leaves `out` unchanged otherwise.
bool parseCheckId(std::string_view text, IdCode& out);

// Download is possible: a device type is selected and User ROM data loaded.
bool canDownload(const WriterState& state, const JobSettings& job);

// The masks Download sends.
std::uint8_t operationBlockMask(const WriterState& state, const JobSettings& job);
std::uint8_t lockBitMask(const WriterState& state, const JobSettings& job);

} // namespace plx71
