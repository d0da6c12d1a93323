#include "saving_dlg.hpp"

#include "writer_session.hpp"

#include "plx71/qtui/paths.hpp"

namespace plx71 {

CSavingDlg::CSavingDlg(Ui& ui, const QString& path, SaveRequest request, QWidget* parent)
    : qtui::TransferProgressDialog(
        QStringLiteral("Saving..."), path, counters,
        std::int32_t(request.areaEnd >= request.areaStart ? request.areaEnd - request.areaStart + 1 : 0),
        [this, &ui, file = qtui::toPath(path), request] { written = saveDataFile(ui, file, request, &counters); },
        parent)
{
    setObjectName(QStringLiteral("CSavingDlg"));
}

} // namespace plx71
