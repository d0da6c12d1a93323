#pragma once
// The file chooser of both window programs: a request says what to ask for;
// a program may set its own chooser (tests answer from a script), else the
// standard file dialog runs.
#include <QString>

#include <functional>
#include <utility>

class QWidget;

namespace plx71::qtui {

struct FileDialogRequest {
    enum class Mode { Open, Save };

    FileDialogRequest() = default;
    FileDialogRequest(Mode m, QString t, QString f, QString suffix)
        : mode(m), title(std::move(t)), filter(std::move(f)), defaultSuffix(std::move(suffix))
    {}

    Mode mode = Mode::Open;
    QString title;
    QString filter;        // "Data file (*.hex *.mot)"
    QString defaultSuffix; // "hex"
    QString directory;     // empty: the folder last used for this filter (startFolder)
    QString objectName = QStringLiteral("fileDialog");
};

// The file the user chose, empty when the dialog was cancelled.
using FileChooser = std::function<QString(QWidget* parent, const FileDialogRequest& request)>;

// The standard file dialog: Open asks for an existing file; Save asks no
// overwrite question (the program's own writing decides what to do).
QString runFileDialog(QWidget* parent, const FileDialogRequest& request);

// Where a dialog for files of `kind` (its filter) starts: the folder of the
// last such file the user chose, kept per user; the first time, or when that
// folder is gone, the user's Documents. Never the program's own folder, where
// a normal user may not write.
QString startFolder(const QString& kind);
// Remembers the folder of `chosenFile` for the next dialog of `kind`.
void rememberFolder(const QString& kind, const QString& chosenFile);

// `chooser` when set, else the standard file dialog.
QString chooseFile(const FileChooser& chooser, QWidget* parent, const FileDialogRequest& request);

} // namespace plx71::qtui
