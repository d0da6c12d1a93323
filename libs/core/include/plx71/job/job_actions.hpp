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

// Reads the file the job names for `area` again onto a blank area of the
// current device (after a device change or a project Open), with the same
// messages as "Select...". The Check ID and Update Enable stay as they are.
// A file that no longer loads is forgotten (forgetAreaFile), so nothing
// claims the image holds it and Download is not enabled for it. True when
// the file loaded or none is named.
bool reloadAreaFile(Ui& ui, WriterState& state, JobSettings& job, Area area);

// Clears the file name of `area` and the texts taken from its file: ID, Rom
// Protect and checksum (User ROM); version, checksum and Update Enable (Boot
// ROM).
void forgetAreaFile(JobSettings& job, Area area);

// A device type chosen in the list: selectDevice, then each named file is
// reloaded for the new device's areas, unless the area and its address
// tables are where they were (then the image, edits included, still fits).
void changeDevice(Ui& ui, WriterState& state, JobSettings& job, int index);

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
