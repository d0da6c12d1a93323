#include "loader_session.hpp"

#include <QDir>
#include <QFileDialog>

namespace plx71 {

QString openFirmwareFileDialog(QWidget* parent, const FirmwareFileRequest& request)
{
    QFileDialog dialog(parent, request.title,
                       request.directory.isEmpty() ? QDir::currentPath() : request.directory, request.filter);
    dialog.setObjectName(QStringLiteral("firmwareFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString LoaderSession::chooseFirmwareFile(QWidget* parent) const
{
    const FirmwareFileRequest request;
    return chooseFile ? chooseFile(parent, request) : openFirmwareFileDialog(parent, request);
}

} // namespace plx71
