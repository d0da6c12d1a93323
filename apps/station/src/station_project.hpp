#pragma once
// The one project every box of the station gets: opened as PLX71RD's
// Project > Open opens it, then shared read-only by every box's worker.
#include "plx71/devices/device_table.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/prepared_job/prepared_job.hpp"

#include <QString>

#include <memory>

namespace plx71::station {

// The core's prepared job (state, job, box, facts of a download with the
// project and data files), and where it came from.
struct ProjectJob : PreparedJob {
    QString path; // absolute
};

// Opens `path` (relative: from the current folder) with the checks and
// messages of Project > Open (openPreparedJob); a project without a device or
// without User ROM data is refused too, since nothing could be sent. Null
// when refused (the message has gone to `ui`).
std::shared_ptr<const ProjectJob> openStationProject(Ui& ui, const DeviceTable& table, const QString& path);

// What the operator compares with the work instruction.
struct JobHeader {
    QString fileName;
    QString device;
    QString userRomChecksum; // "%04X", "-" without data
    QString bootRomChecksum;
    QString dataSha;  // the first 12 hex digits of the User ROM data's SHA-256 (then the Boot ROM's)
    QString blocks;   // "All" or the block list
    QString lockBits; // "No change", "All lock", "All no lock", "Block 1,2"
};
JobHeader headerOf(const ProjectJob& project);

} // namespace plx71::station
