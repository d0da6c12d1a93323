#include "writer_session.hpp"

#include "save_file_dlg.hpp"

namespace plx71 {

QString WriterSession::chooseFile(QWidget* parent, const FileDialogRequest& request) const
{
    return qtui::chooseFile(hooks.chooseFile, parent, request);
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
