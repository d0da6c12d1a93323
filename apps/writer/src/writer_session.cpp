#include "writer_session.hpp"

#include "save_file_dlg.hpp"

#include <QDir>
#include <QFileDialog>

namespace plx71 {

QString WriterSession::chooseFile(QWidget* parent, const FileDialogRequest& request) const
{
    if (hooks.chooseFile)
        return hooks.chooseFile(parent, request);
    QFileDialog dialog(parent, request.title, QDir::currentPath(), request.filter);
    dialog.setObjectName(QStringLiteral("fileDialog"));
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

std::optional<SaveTarget> WriterSession::chooseSaveTarget(QWidget* parent, Area area, AreaRange range) const
{
    if (hooks.chooseSaveTarget)
        return hooks.chooseSaveTarget(parent, area, range);
    CSaveFileDlg dialog(*ui, area, range, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return SaveTarget{dialog.selectedFiles().constFirst(), dialog.ranges()};
}

} // namespace plx71
