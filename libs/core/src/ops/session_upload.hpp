#pragma once
// What an upload by the box session left: how far it got, and the form's
// texts recomputed from the images it read.
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/ops/box_outcome.hpp"

namespace plx71 {

enum class UploadResult {
    NothingChanged, // stopped before the settings were applied (or refused them)
    SettingsOnly,   // settings applied, the page reads cancelled or failed
    Complete,       // settings and every page read; texts recomputed
};
UploadResult uploadResultOf(const BoxOutcome& outcome);

// After a complete upload the form shows what the images now hold, for the
// areas that came back with a file name (emptied where none came back).
void refreshUploadedImageTexts(const PcJobState& state, JobSettings& job);

} // namespace plx71
