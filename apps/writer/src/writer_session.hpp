#pragma once
// Everything one run of the writer program works on: the reporting
// interface, the writer state, the job settings, the writer box session,
// the program's preferences, and the file choosers the windows use (tests
// answer them). The application owns one; a test builds its own.
#include "plx71/datafile/block_list.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/program/control_program_version.hpp"
#include "plx71/qtui/file_chooser.hpp"

#include <QString>

#include <functional>
#include <optional>
#include <string>
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

// The file dialogs of the windows; unset: the standard dialogs.
struct WriterChoosers {
    FileChooser chooseFile;             // unset: the standard file dialog
    SaveTargetChooser chooseSaveTarget; // unset: CSaveFileDlg
};

// The program's own choices, kept between runs (QSettings).
struct WriterPreferences {
    bool verifyAfterDownload = true; // "Verify after Download"
    QString productionRecordPath;    // "Production Record...": empty = none
    // "Skip Blank Pages": off by default, as what the box does with pages it
    // never receives is not known.
    bool skipBlankPages = false;
};

// The preferences from `file` (an INI file), or from the per-user settings
// of the program when `file` is empty; defaults where nothing is stored.
WriterPreferences loadPreferences(const QString& file);
void savePreferences(const WriterPreferences& preferences, const QString& file);

struct WriterSession {
    explicit WriterSession(Ui& u) : ui(&u), box(u) {}
    WriterSession(const WriterSession&) = delete;
    WriterSession& operator=(const WriterSession&) = delete;

    Ui* ui;
    PcJobState state;
    JobSettings job;
    BoxSession box; // the writer box's link
    // A device path that stands in for the form's COM port (a test's
    // simulator); empty: the COM port the form names.
    std::string boxDevicePath;
    WriterChoosers choosers;
    WriterPreferences preferences;
    QString preferencesFile; // where the preferences are kept; empty: the per-user settings
    std::string controlProgramVersion = kControlProgramVersion;
    // A box operation (Download, Upload, the About query) runs: another is
    // refused until it ends (BoxOperationMark).
    bool boxOperationRunning = false;

    // Where the box operations go: the form's port and link rate.
    BoxTarget boxTarget() const;

    QString chooseFile(QWidget* parent, const FileDialogRequest& request) const;
    std::optional<SaveTarget> chooseSaveTarget(QWidget* parent, Area area, AreaRange range) const;
};

} // namespace plx71
