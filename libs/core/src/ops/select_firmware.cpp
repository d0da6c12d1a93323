#include "plx71/ops/select_firmware.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/text/utf8_path.hpp"

namespace plx71 {

std::optional<SelectedFirmware> selectFirmwareFile(Ui& ui, const std::filesystem::path& path)
{
    SelectedFirmware selected; // the image starts blank (0xFF)
    if (const auto problem = readFirmwareFile(path, selected.image)) {
        reportProblem(ui, *problem);
        return std::nullopt;
    }
    if (!firmwareHeaderValid(selected.image)) {
        ui.message(Icon::Stop, std::string(msg::kFileFormatError));
        return std::nullopt;
    }
    selected.path = utf8FromPath(path);
    selected.versionText = firmwareVersionText(selected.image);
    return selected;
}

} // namespace plx71
