#include "plx71/job/load_area_file.hpp"

#include "datafile/data_file_reader.hpp"
#include "plx71/datafile/file_type.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/text/utf8_path.hpp"

namespace plx71 {

std::optional<DataFileProblem> readAreaFile(PcJobState& state, JobSettings& job, Area area,
                                            const std::filesystem::path& path, const ProtectDecision& protect)
{
    // The file stands alone on a blank area, and the area's image is only
    // replaced once the reader (and the user, at the protect question) has
    // accepted it: a refused file leaves the loaded data and the form alone.
    // The reader changes the image only then, so it reads straight into it.
    std::vector<std::uint8_t>& image = state.images.of(area);
    std::vector<std::uint8_t> resized; // only for an image of another size
    if (image.size() != imageSize(area))
        resized = blankImage(area);
    DataFileReadOptions options;
    options.onto = ReadOnto::BlankImage;
    options.protect = protect;
    if (auto problem = readDataFile(state.currentDevice, area, resized.empty() ? std::span(image) : std::span(resized),
                                    path, options))
        return problem;
    if (!resized.empty())
        image = std::move(resized);

    const DeviceRecord& d = state.currentDevice;
    if (area == Area::UserRom) {
        const auto& user = state.images.user;
        job.userRomFileName = utf8FromPath(path);
        job.idCode = imageIdCode(d, state.areaTables, user);
        job.dataIdCode = job.idCode;
        job.checkIdText = formatIdCode(job.idCode);
        job.romProtectLevel = protectLevel(protectByte(d, user));
    } else {
        job.bootRomFileName = utf8FromPath(path);
        job.updateEnable = 1;
        job.bootVersionText = imageBootVersion(d, state.areaTables, state.images.boot);
    }
    refreshChecksum(state, job, area);
    return std::nullopt;
}

ProtectDecision protectDecision(Ui& ui, ProtectedProgram protect)
{
    return [&ui, protect](int level) {
        if (protect != ProtectedProgram::Ask)
            return protect == ProtectedProgram::Load;
        return ui.question(Icon::Exclamation, std::string(level == 1 ? msg::kLevel1Question : msg::kLevel2Question));
    };
}

bool loadAreaFile(Ui& ui, PcJobState& state, JobSettings& job, Area area, const std::filesystem::path& path,
                  ProtectedProgram protect)
{
    const auto problem = readAreaFile(state, job, area, path, protectDecision(ui, protect));
    if (problem)
        reportProblem(ui, *problem);
    return !problem;
}

void refreshChecksum(const PcJobState& state, JobSettings& job, Area area)
{
    const std::uint32_t sum = areaChecksum(state.currentDevice, area, state.images.of(area));
    (area == Area::UserRom ? job.userRomChecksum : job.bootRomChecksum) = sum;
}

} // namespace plx71
