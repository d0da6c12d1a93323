#include "plx71/job/reload_area_files.hpp"

#include "plx71/job/job_actions.hpp"
#include "plx71/text/utf8_path.hpp"

namespace plx71 {

void forgetAreaFile(JobSettings& job, Area area)
{
    if (area == Area::UserRom) {
        job.userRomFileName.clear();
        job.dataIdCode.reset();
        job.romProtectLevel.reset();
        job.userRomChecksum.reset();
    } else {
        job.bootRomFileName.clear();
        job.bootVersionText.clear();
        job.bootRomChecksum.reset();
        job.updateEnable = 0; // nothing left to update the Boot ROM with
    }
}

std::optional<DataFileProblem> rereadAreaFile(PcJobState& state, JobSettings& job, Area area,
                                              const ProtectDecision& protect)
{
    const std::string name = area == Area::UserRom ? job.userRomFileName : job.bootRomFileName;
    if (name.empty())
        return std::nullopt;
    // The Check ID and Update Enable are the user's (or the project's)
    // choices, not the file's.
    const IdCode idCode = job.idCode;
    const std::string checkIdText = job.checkIdText;
    const int updateEnable = job.updateEnable;
    if (auto problem = readAreaFile(state, job, area, pathFromUtf8(name), protect)) {
        forgetAreaFile(job, area);
        return problem;
    }
    job.idCode = idCode;
    job.checkIdText = checkIdText;
    job.updateEnable = updateEnable;
    return std::nullopt;
}

void changeDevice(Ui& ui, PcJobState& state, JobSettings& job, int index)
{
    if (index < 0 || std::size_t(index) >= state.deviceTable.records.size())
        return;
    const DeviceRecord oldDevice = state.currentDevice;
    const AreaTables oldTables = state.areaTables;
    selectDevice(state, job, index);
    // The images hold the files at the old device's offsets: each named file
    // is read again onto a blank area of the new device. A device of the
    // same layout (the same one chosen again, or another voltage) keeps the
    // images as they are, edits included.
    for (Area area : {Area::UserRom, Area::BootRom}) {
        const AreaRange was = areaRange(oldDevice, area);
        const AreaRange now = state.range(area);
        if (was.start != now.start || was.end != now.end || oldTables != state.areaTables)
            if (const auto problem = rereadAreaFile(state, job, area, protectDecision(ui, ProtectedProgram::Ask)))
                reportProblem(ui, *problem);
    }
}

} // namespace plx71
