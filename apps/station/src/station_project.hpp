#pragma once
// The one project every box of the station gets: opened as PLX71RD's
// Project > Open opens it, then shared read-only by every box's worker.
#include "plx71/devices/device_table.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/production_record/job_record.hpp"

#include <QString>

#include <memory>

namespace plx71::station {

struct ProjectJob {
    QString path; // absolute
    WriterState state;
    JobSettings job;
    BoxJob box;     // what every box is sent
    JobFacts facts; // of a download, with the project and data files
};

// Opens `path` (relative: from the current folder) with the checks and
// messages of Project > Open; a project without a device or without User ROM
// data is refused too, since nothing could be sent. Null when refused (the
// message has gone to `ui`).
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
