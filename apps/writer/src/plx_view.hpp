#pragma once
// The settings form: device type, data files, job settings, port and rates,
// and the commands that use them. Every value lives in the session's
// JobSettings; takeJob() copies the controls into it, showJob() copies it
// back. The controls are laid out in plx_form_layout.cpp, the checks of the
// fields the user leaves run in FieldChecks, and the commands live in
// plx_view_commands.cpp and plx_view_box_commands.cpp.
#include "plx_form_layout.hpp"
#include "writer_session.hpp"

#include <QWidget>

class QLineEdit;

namespace plx71 {

class FieldChecks;

class CPlxView : public QWidget {
    Q_OBJECT
public:
    explicit CPlxView(WriterSession& session, QWidget* parent = nullptr);

    WriterSession& session() { return session_; }

    // Controls -> job settings, and back.
    void takeJob();
    void showJob();
    // takeJob, then the Check ID text as typed: an invalid one is reported,
    // gets the focus back and stops the command (false).
    bool takeForCommand();
    // Download, Upload and the About entry disabled while a box operation
    // runs; afterwards as updateButtons(refreshDownload) leaves them.
    void showBoxOperationRunning(bool running, bool refreshDownload = true);
    // Project > Open once the file is chosen (also a project given when the
    // program starts): false when it was refused, the form left as it was.
    bool openProjectFile(const QString& path);

signals:
    // A short note for the status bar ("Download verified").
    void statusMessage(const QString& text);
    // A box operation starts (true) or has ended (false): what would start
    // another is disabled meanwhile.
    void boxOperationRunning(bool running);

public slots:
    void onDeviceTypeChanged(int index);
    void onSelectUserRomFile();
    void onSelectBootRomFile();
    void onDownload();
    void onUpload();
    void onPortChanged(int index);
    void onProjectOpen();
    void onProjectSaveAs();
    void onEditRomArea(plx71::Area area);

private:
    void connectControls();
    // Select...: the file dialog, then the file loaded into the area.
    void selectAreaFile(Area area, const FileDialogRequest& request);
    // The Select buttons follow the device choice; Download too unless
    // `refreshDownload` is false (an upload that did not complete leaves it).
    void updateButtons(bool refreshDownload = true);
    // Checks of a field the user left (FieldChecks runs them). False when
    // the field was refused: reported, focus handed back.
    bool checkField(QLineEdit* edit);
    bool flushPendingChecks();
    void selectDeviceInList();

    WriterSession& session_;
    PlxFormControls c_;
    FieldChecks* checks_ = nullptr;
};

} // namespace plx71
