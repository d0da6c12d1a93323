#include "writer_session.hpp"

#include "save_file_dlg.hpp"

#include <QSettings>

#include <memory>

namespace plx71 {

namespace {

constexpr const char* kVerifyKey = "box/verifyAfterDownload";
constexpr const char* kSkipBlankKey = "box/skipBlankPages";
constexpr const char* kRecordKey = "box/productionRecord";

std::unique_ptr<QSettings> openSettings(const QString& file)
{
    if (file.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Orvane Labs Inc."), QStringLiteral("plx"));
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

} // namespace

WriterPreferences loadPreferences(const QString& file)
{
    const auto settings = openSettings(file);
    WriterPreferences p;
    p.verifyAfterDownload = settings->value(QLatin1String(kVerifyKey), true).toBool();
    p.skipBlankPages = settings->value(QLatin1String(kSkipBlankKey), false).toBool();
    p.productionRecordPath = settings->value(QLatin1String(kRecordKey), QString()).toString();
    return p;
}

void savePreferences(const WriterPreferences& p, const QString& file)
{
    const auto settings = openSettings(file);
    settings->setValue(QLatin1String(kVerifyKey), p.verifyAfterDownload);
    settings->setValue(QLatin1String(kSkipBlankKey), p.skipBlankPages);
    settings->setValue(QLatin1String(kRecordKey), p.productionRecordPath);
}

BoxTarget WriterSession::boxTarget() const
{
    // With a device path the COM list only names the port.
    PortChoice port = boxDevicePath.empty() ? PortChoice::com(job.portSelection) : PortChoice::path(boxDevicePath);
    port.comPortIndex = job.portSelection;
    return {port, job.linkRate};
}

QString WriterSession::chooseFile(QWidget* parent, const FileDialogRequest& request) const
{
    return qtui::chooseFile(choosers.chooseFile, parent, request);
}

std::optional<SaveTarget> WriterSession::chooseSaveTarget(QWidget* parent, Area area, AreaRange range) const
{
    if (choosers.chooseSaveTarget)
        return choosers.chooseSaveTarget(parent, area, range);
    CSaveFileDlg dialog(*ui, area, range, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    qtui::rememberFolder(dialog.nameFilters().value(0), path);
    return SaveTarget{path, dialog.ranges()};
}

} // namespace plx71
