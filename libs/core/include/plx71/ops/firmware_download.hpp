#pragma once
// What the loader's dialog shows after a box session's Read Version or
// firmware download.
#include "plx71/ops/box_outcome.hpp"

#include <string>

namespace plx71 {

// The version fields of the loader's dialog after "Read Version": both
// texts, or both empty when anything failed.
struct LoaderVersions {
    bool ok = false;
    std::string firmVersionText; // "Firm Version :"
    std::string bootVersionText; // "Boot Version :"
};
LoaderVersions loaderVersionsOf(const BoxOutcome& outcome);

// The loader's fields after a firmware download: "Complete" with the box's
// versions read after the load, else "Error" (with the versions when they
// were read before a failed return to 9600 bit/s).
struct FirmwareDownloadResult {
    std::string statusText; // "Complete" or "Error"
    std::string firmVersionText;
    std::string bootVersionText;
    bool complete() const;
};
FirmwareDownloadResult firmwareDownloadResultOf(const BoxOutcome& outcome);

} // namespace plx71
