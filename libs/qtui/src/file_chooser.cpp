#include "plx71/qtui/file_chooser.hpp"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace plx71::qtui {

namespace {

// One per-user store for both window programs: a data file chosen in one
// dialog is looked for in the same folder by the next.
QSettings folderSettings()
{
    return QSettings(QStringLiteral("Orvane Labs Inc."), QStringLiteral("plx"));
}

QString folderKey(const QString& kind)
{
    QString key;
    for (const QChar c : kind)
        if (c.isLetterOrNumber())
            key += c;
    return QStringLiteral("Folders/") + (key.isEmpty() ? QStringLiteral("any") : key);
}

} // namespace

QString startFolder(const QString& kind)
{
    const QString remembered = folderSettings().value(folderKey(kind)).toString();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

void rememberFolder(const QString& kind, const QString& chosenFile)
{
    if (chosenFile.isEmpty())
        return;
    folderSettings().setValue(folderKey(kind), QFileInfo(chosenFile).absolutePath());
}

QString runFileDialog(QWidget* parent, const FileDialogRequest& request)
{
    const QString directory = request.directory.isEmpty() ? startFolder(request.filter) : request.directory;
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
    const QString chosen = dialog.selectedFiles().constFirst();
    rememberFolder(request.filter, chosen);
    return chosen;
}

QString chooseFile(const FileChooser& chooser, QWidget* parent, const FileDialogRequest& request)
{
    return chooser ? chooser(parent, request) : runFileDialog(parent, request);
}

} // namespace plx71::qtui
