// The form's commands that stay on this computer: the device type, the data
// files, the port choice, the project file and the ROM data editor.
#include "plx_view.hpp"

#include "rom_edit_dlg.hpp"

#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/qtui/busy_cursor.hpp"
#include "plx71/qtui/paths.hpp"

namespace plx71 {

void CPlxView::onDeviceTypeChanged(int index)
{
    if (index < 0)
        return;
    takeJob();
    // The named data files are read again for the new device's areas.
    changeDevice(*session_.ui, session_.state, session_.job, index);
    showJob();
    updateButtons();
}

void CPlxView::selectAreaFile(Area area, const FileDialogRequest& request)
{
    if (!flushPendingChecks())
        return;
    const QString path = session_.chooseFile(this, request);
    if (path.isEmpty())
        return;
    takeJob();
    if (!loadAreaFile(*session_.ui, session_.state, session_.job, area, qtui::toPath(path)))
        return;
    showJob();
    updateButtons();
}

void CPlxView::onSelectUserRomFile()
{
    selectAreaFile(Area::UserRom,
                   {FileDialogRequest::Mode::Open, QStringLiteral("User Rom Data Select"),
                    QStringLiteral("Data file (*.hex *.mot)"), QStringLiteral("hex")});
}

void CPlxView::onSelectBootRomFile()
{
    selectAreaFile(Area::BootRom,
                   {FileDialogRequest::Mode::Open, QStringLiteral("Boot Rom Data Select"),
                    QStringLiteral("Update file (*.btp)"), QStringLiteral("hex")});
}

void CPlxView::onPortChanged(int)
{
    takeJob();
    showJob();
}

void CPlxView::onProjectOpen()
{
    if (!flushPendingChecks())
        return;
    const QString path =
        session_.chooseFile(this,
                            {FileDialogRequest::Mode::Open, QStringLiteral("PLX-71RD project file open"),
                             QStringLiteral("PLX-71RD project file (*.pxp)"), QStringLiteral("pxp")});
    if (!path.isEmpty())
        openProjectFile(path);
}

bool CPlxView::openProjectFile(const QString& path)
{
    qtui::BusyCursor busy;
    if (!openProject(*session_.ui, session_.state, session_.job, qtui::toPath(path)))
        return false;
    selectDeviceInList();
    showJob();
    updateButtons();
    return true;
}

void CPlxView::onProjectSaveAs()
{
    if (!flushPendingChecks() || !takeForCommand())
        return;
    const QString path =
        session_.chooseFile(this,
                            {FileDialogRequest::Mode::Save, QStringLiteral("PLX-71RD project file save"),
                             QStringLiteral("PLX-71RD project file (*.pxp)"), QStringLiteral("pxp")});
    if (path.isEmpty())
        return;
    qtui::BusyCursor busy;
    saveProject(*session_.ui, session_.state, session_.job, qtui::toPath(path));
}

void CPlxView::onEditRomArea(Area area)
{
    if (!flushPendingChecks() || !takeForCommand())
        return;
    const PcJobState& s = session_.state;
    const JobSettings& j = session_.job;
    RomEditInfo info;
    if (s.deviceIndex != -1) {
        info.deviceTypeText = QString::fromStdString(s.currentDevice.name);
        info.addressRangeText = QString::fromStdString(formatAreaRange(s.range(area)));
    }
    info.romAreaText = area == Area::UserRom ? QStringLiteral("User Rom") : QStringLiteral("Boot Rom");
    const std::string& fileName = area == Area::UserRom ? j.userRomFileName : j.bootRomFileName;
    info.programFileText = QString::fromStdString(fileName);

    CRomEditDlg editor(session_, area, info, this);
    if (editor.exec() == QDialog::Accepted && !fileName.empty()) {
        refreshChecksum(session_.state, session_.job, area);
        showJob();
    }
}

} // namespace plx71
