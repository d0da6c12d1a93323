#pragma once
// The data phase of an upload: the page reads, on the worker.
#include "link/box_link.hpp"
#include "plx71/devices/device_record.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/transfer/progress_counters.hpp"

#include <cstdint>
#include <functional>

namespace plx71 {

// Each page read weighs 256: the User ROM area length, plus 0x800 (eight
// Boot ROM pages) with the Boot ROM.
std::int32_t uploadProgressTotal(const DeviceRecord& device, bool includeBootRom);

// The data phase, on the worker: reads every User ROM page into images.user,
// then (with includeBootRom, when not stopped) blanks images.boot and reads
// the Boot ROM pages into it, as long as the counters run. A failed read sets
// the abort mark and makes the result false. `counters` must have been
// started with uploadProgressTotal. `onPhase` (may be empty) hears UserPages
// and BootPages. With `readTwice` a page is taken once two reads in a row
// agree; four reads without that are a failed CMD_READ_PAGE. `retry`, when
// given, runs each page's reads and may run them again after a resync
// (false: the page failed for good).
using PageRetry = std::function<bool(const std::function<bool()>& readOnce)>;
bool uploadWorker(BoxLink& link, const DeviceRecord& device, RomImages& images, bool includeBootRom,
                  ProgressCounters& counters, const std::function<void(ProgressPhase)>& onPhase = {},
                  bool readTwice = false, const PageRetry& retry = {});

} // namespace plx71
