#pragma once
// Everything one run of the writer program works on: the reporting
// interface, the writer state, the job settings, the link, and the hooks
// through which the windows reach file choosers and writer-box operations.
// The application owns one; a test builds its own.
#include "plx71/datafile/block_list.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/writer_state.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/qtui/file_chooser.hpp"
#include "plx71/ui/program_version.hpp"
#include "plx71/ui/ui.hpp"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace plx71 {

using qtui::FileChooser;
using qtui::FileDialogRequest;

// Data Save's choice: the file and the address ranges (empty = whole area).
struct SaveTarget {
    QString path;
    std::vector<AreaRange> ranges;
};
using SaveTargetChooser = std::function<std::optional<SaveTarget>(QWidget* parent, Area area, AreaRange range)>;

struct WriterSession;

// A writer-box operation started from the form. The form has taken its
// controls and set link.comPortIndex; afterwards it shows the job again.
// Returns true when the operation completed.
using WriterOperation = std::function<bool(WriterSession& session, QWidget* parent)>;

struct WriterHooks {
    FileChooser chooseFile;              // unset: the standard file dialog
    SaveTargetChooser chooseSaveTarget;  // unset: CSaveFileDlg
    // Help > About: asks the box for its firmware version into
    // link.firmwareVersion (at 9600 bit/s, reporting its own failures).
    std::function<void(WriterSession& session)> queryFirmwareVersion;
    WriterOperation download;
    WriterOperation upload;
};

struct WriterSession {
    explicit WriterSession(Ui& u) : ui(&u), link(u) {}
    WriterSession(const WriterSession&) = delete;
    WriterSession& operator=(const WriterSession&) = delete;

    Ui* ui;
    WriterState state;
    JobSettings job;
    WriterLink link;
    WriterHooks hooks;
    std::string controlProgramVersion = kControlProgramVersion;

    QString chooseFile(QWidget* parent, const FileDialogRequest& request) const;
    std::optional<SaveTarget> chooseSaveTarget(QWidget* parent, Area area, AreaRange range) const;
};

} // namespace plx71
