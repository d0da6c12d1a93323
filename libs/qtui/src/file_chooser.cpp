#include "plx71/qtui/file_chooser.hpp"

#include <QDir>
#include <QFileDialog>

namespace plx71::qtui {

QString runFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    const QString directory = request.directory.isEmpty() ? QDir::currentPath() : request.directory;
    QFileDialog dialog(parent, request.title, directory, request.filter);
    dialog.setObjectName(request.objectName);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (request.mode == FileDialogRequest::Mode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString chooseFile(const FileChooser& chooser, QWidget* parent, const FileDialogRequest& request)
{
    return chooser ? chooser(parent, request) : runFileDialog(parent, request);
}

} // namespace plx71::qtui
