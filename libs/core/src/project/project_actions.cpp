#include "plx71/project/project_actions.hpp"

#include "plx71/files/file_replace.hpp"
#include "plx71/files/regular_file.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/text/utf8_path.hpp"

#include <optional>
#include <system_error>
#include <variant>

namespace plx71 {

namespace {

// The largest sound project: the fixed fields and four texts of 255 bytes.
constexpr std::size_t kMaxProjectSize = kProjectFixedSize + 4 * kMaxProjectTextLength;

bool inRange(std::int32_t v, std::int32_t low, std::int32_t high)
{
    return v >= low && v <= high;
}

// The list choices of the form must name an entry of their lists.
bool choicesValid(const ProjectFile& p)
{
    return inRange(p.serialModeIndex, 0, 1) && inRange(p.targetBaudIndex, 0, 9) && inRange(p.updateEnable, 0, 1)
        && inRange(p.lockBitMode, 0, 3) && inRange(p.operationBlockMode, 0, 1) && inRange(p.portSelection, 0, 3)
        && linkRateAt(p.hostBaudSelection).has_value();
}

// The table entry the project means: the stored index when that entry still
// has the stored name, else the entry of that name (the project may come from
// another table). -1 for "no device type"; nullopt when the device type is not
// in this table or the index is no index at all.
std::optional<int> resolveDeviceIndex(const DeviceTable& table, const ProjectFile& p)
{
    if (p.deviceIndex == -1)
        return -1;
    if (p.deviceIndex < -1)
        return std::nullopt;
    if (std::size_t(p.deviceIndex) < table.records.size()
        && table.records[std::size_t(p.deviceIndex)].name == p.device.name)
        return p.deviceIndex;
    const int byName = table.find(p.device.name);
    if (byName < 0)
        return std::nullopt;
    return byName;
}

// Reads at most one byte more than a sound project can hold, so a huge file
// costs nothing and is refused as too long. A FIFO or device is never
// waited on: it is no project file, so it is not found.
std::variant<std::vector<std::uint8_t>, ProjectProblem> readProjectBytes(const std::filesystem::path& path)
{
    ProjectProblem problem{ProjectRule::AccessDenied, utf8FromPath(path)};
    std::error_code ec;
    FileRead read = readRegularFile(path, kMaxProjectSize + 1);
    switch (read.status) {
    case FileStatus::Ok:
        return std::vector<std::uint8_t>(read.bytes.begin(), read.bytes.end());
    case FileStatus::NotRegular:
        if (std::filesystem::is_directory(path, ec))
            break;
        [[fallthrough]];
    case FileStatus::NotFound:
        problem.rule = ProjectRule::NotFound;
        break;
    case FileStatus::AccessDenied:
        break;
    case FileStatus::ReadError:
        problem.rule = ProjectRule::ReadError;
        break;
    }
    return problem;
}

// A relative name is looked for beside the project first (so a project and
// its data files can move together), then in the current folder; absolute
// names are used as they are. A name found beside the project is kept as
// that path, so what the job names is the file that was read.
std::string resolveDataFileName(const std::filesystem::path& projectPath, const std::string& name)
{
    const std::filesystem::path stored = pathFromUtf8(name);
    if (name.empty() || stored.is_absolute())
        return name;
    const std::filesystem::path besideProject = projectPath.parent_path() / stored;
    std::error_code ec;
    if (std::filesystem::exists(besideProject, ec) || !std::filesystem::exists(stored, ec))
        return utf8FromPath(besideProject);
    return name;
}

// The form's fields the project holds, but for the device and the files.
void applyProjectSettings(const ProjectFile& p, JobSettings& job)
{
    job.serialModeIndex = p.serialModeIndex;
    job.targetBaudIndex = p.targetBaudIndex;
    job.updateEnable = p.updateEnable;
    job.lockBitMode = static_cast<LockBitMode>(p.lockBitMode);
    job.lockBlockList = p.lockBlockList;
    job.operationBlockMode = static_cast<OperationBlockMode>(p.operationBlockMode);
    job.operationBlockList = p.operationBlockList;
    job.idCode = p.idCode;
    job.checkIdText = formatIdCode(p.idCode);
    job.portSelection = p.portSelection;
    job.linkRate = *linkRateAt(p.hostBaudSelection); // choicesValid took it
}

} // namespace

ProjectFile projectFromJob(const PcJobState& state, const JobSettings& job)
{
    ProjectFile p;
    p.deviceIndex = state.deviceIndex;
    p.device = state.currentDevice;
    p.serialModeIndex = job.serialModeIndex;
    p.targetBaudIndex = job.targetBaudIndex;
    p.updateEnable = job.updateEnable;
    p.bootRomFileName = job.bootRomFileName;
    p.userRomFileName = job.userRomFileName;
    p.lockBitMode = static_cast<std::int32_t>(job.lockBitMode);
    p.lockBlockList = job.lockBlockList;
    p.operationBlockMode = static_cast<std::int32_t>(job.operationBlockMode);
    p.operationBlockList = job.operationBlockList;
    p.idCode = job.idCode;
    p.portSelection = job.portSelection;
    p.hostBaudSelection = linkRateIndex(job.linkRate);
    return p;
}

std::optional<std::vector<std::uint8_t>> projectBytesToSave(Ui& ui, const PcJobState& state, const JobSettings& job)
{
    const ProjectFile project = projectFromJob(state, job);
    // A text the file cannot take back would make a project that never opens.
    for (const std::string* fileName : {&project.userRomFileName, &project.bootRomFileName}) {
        if (fileName->size() > kMaxProjectTextLength) {
            ui.message(Icon::Stop, msg::fileNameTooLong(*fileName));
            return std::nullopt;
        }
    }
    for (const std::string* list : {&project.lockBlockList, &project.operationBlockList}) {
        if (list->size() > kMaxProjectTextLength) {
            ui.message(Icon::Stop, "Block list too long (more than 255 characters): " + *list);
            return std::nullopt;
        }
    }
    return encodeProject(project);
}

bool saveProject(Ui& ui, const PcJobState& state, const JobSettings& job, const std::filesystem::path& path)
{
    const auto bytes = projectBytesToSave(ui, state, job);
    if (!bytes)
        return false;
    // The old project stays whole until the new one is safely written.
    std::error_code why;
    if (!replaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), &why)) {
        ui.messageWithDetail(Icon::Stop, msg::cannotWriteFile(utf8FromPath(path)), writeFailureReason(why));
        return false;
    }
    return true;
}

ProjectOpening applyProjectFile(PcJobState& state, JobSettings& job, const std::filesystem::path& path,
                                const ProtectDecision& protect)
{
    auto bytes = readProjectBytes(path);
    if (const auto* problem = std::get_if<ProjectProblem>(&bytes))
        return {*problem, {}};
    ProjectOpening opening = applyProjectBytes(state, job, std::get<0>(bytes), path, protect);
    if (opening.refused)
        opening.refused->file = utf8FromPath(path);
    return opening;
}

ProjectOpening applyProjectBytes(PcJobState& state, JobSettings& job, std::span<const std::uint8_t> bytes,
                                 const std::filesystem::path& projectPath, const ProtectDecision& protect)
{
    auto decoded = decodeProject(bytes);
    std::optional<int> deviceIndex;
    if (decoded && fitsImages(decoded->device) && choicesValid(*decoded))
        deviceIndex = resolveDeviceIndex(state.deviceTable, *decoded);
    if (!deviceIndex)
        return {ProjectProblem{ProjectRule::NotAProject, {}}, {}};
    const ProjectFile& p = *decoded;

    if (*deviceIndex == -1) {
        // No device type chosen: the stored record stays the current device,
        // and the Target Board texts keep what they showed.
        state.deviceIndex = -1;
        state.setCurrentDevice(p.device);
    } else {
        selectDevice(state, job, *deviceIndex);
    }
    applyProjectSettings(p, job);
    job.userRomFileName = resolveDataFileName(projectPath, p.userRomFileName);
    job.bootRomFileName = resolveDataFileName(projectPath, p.bootRomFileName);
    ProjectOpening opening;
    for (Area area : {Area::UserRom, Area::BootRom}) {
        if (auto problem = rereadAreaFile(state, job, area, protect))
            opening.dataFileProblems.push_back(std::move(*problem));
    }
    return opening;
}

void reportOpening(Ui& ui, const ProjectOpening& opening)
{
    if (opening.refused)
        reportProblem(ui, *opening.refused);
    for (const DataFileProblem& problem : opening.dataFileProblems)
        reportProblem(ui, problem);
}

bool openProject(Ui& ui, PcJobState& state, JobSettings& job, const std::filesystem::path& path,
                 ProtectedProgram protect)
{
    const ProjectOpening opening = applyProjectFile(state, job, path, protectDecision(ui, protect));
    reportOpening(ui, opening);
    return !opening.refused;
}

} // namespace plx71
