#pragma once
// Upload: reads back the settings and ROM data a download stored in the box.
#include "plx71/job/job_settings.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/link/writer_commands.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/ui/ui.hpp"

#include <cstdint>
#include <functional>
#include <optional>

namespace plx71 {

enum class UploadResult {
    NothingChanged, // stopped before the settings were applied (or refused them)
    SettingsOnly,   // settings applied, the page reads cancelled or failed
    Complete,       // settings and every page read; texts recomputed
};
UploadResult uploadResultOf(const BoxOutcome& outcome);

// Each page read weighs 256: the User ROM area length, plus 0x800 (eight
// Boot ROM pages) with the Boot ROM.
std::int32_t uploadProgressTotal(const DeviceRecord& device, bool includeBootRom);

// The data phase, on the worker: reads every User ROM page into images.user,
// then (with includeBootRom, when not stopped) blanks images.boot and reads
// the Boot ROM pages into it, as long as the counters run. A failed read sets
// the abort mark and makes the result false. `counters` must have been
// started with uploadProgressTotal. `onPhase` (may be empty) hears UserPages
// and BootPages.
bool uploadWorker(WriterLink& link, const DeviceRecord& device, RomImages& images, bool includeBootRom,
                  ProgressCounters& counters, const std::function<void(ProgressPhase)>& onPhase = {});

// A device record from the first ten bytes and the name of a settings
// record, for a name the device table does not know: areas from the start
// pages (<< 8) and KiB sizes (<< 10), lastBlock = block count - 1, voltage
// codes 1/2/3 -> 33/50/120 (others 0), allBlocksMask from lastBlock. None
// when it breaks the table's rules (areas must fit the images, blocks 0..6,
// name of 1..100 characters).
std::optional<DeviceRecord> deviceFromSettings(const WriterSettings& settings);

// Applies a settings record to the state and the job: the device (the first
// table record of that exact name through selectDevice, else deviceIndex -1
// and the rebuilt record), then Update Enable, file names, check ID and its
// text, target rate, and the two masks ("Block" lists over blocks 0..6, a
// list text written only when its "Block" choice is taken). False, nothing
// changed, when the record holds no settings or its device cannot be used.
bool applyWriterSettings(const WriterSettings& settings, WriterState& state, JobSettings& job);

// After a complete upload the form shows what the images now hold, for the
// areas that came back with a file name (emptied where none came back).
void refreshUploadedImageTexts(const WriterState& state, JobSettings& job);

} // namespace plx71
