#include "loader_session.hpp"

namespace plx71 {

FileDialogRequest firmwareFileRequest()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Firmware Load");
    request.filter = QStringLiteral("Program file (*.hex)");
    request.defaultSuffix = QStringLiteral("hex");
    request.objectName = QStringLiteral("firmwareFileDialog");
    return request;
}

QString LoaderSession::chooseFirmwareFile(QWidget* parent) const
{
    return qtui::chooseFile(chooseFile, parent, firmwareFileRequest());
}

} // namespace plx71
