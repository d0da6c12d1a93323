#include "dump_list_ctrl.hpp"

#include "dump_rows.hpp"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLocale>
#include <QStyle>

#include <algorithm>

namespace plx71 {

int CDumpListCtrl::byteColumnWidth()
{
    return QLocale().language() == QLocale::Japanese ? 30 : 24;
}

CDumpListCtrl::CDumpListCtrl(QWidget* parent) : QTableWidget(0, kColumnCount, parent)
{
    setObjectName(QStringLiteral("dumpList"));
    setAccessibleName(QStringLiteral("Dump"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(8);
    setFont(font);

    QStringList headings{QStringLiteral("Address")};
    for (int i = 0; i < 16; ++i)
        headings << QStringLiteral(" %1").arg(i, 0, 16).toUpper();
    headings << QStringLiteral("ASCII");
    setHorizontalHeaderLabels(headings);
    for (int c = 0; c < kColumnCount; ++c)
        horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    setColumnWidth(0, 55);
    for (int c = 1; c <= 16; ++c)
        setColumnWidth(c, byteColumnWidth());
    // 110 pixels hold the sixteen characters in a small fixed-pitch font; a
    // wider fixed-pitch font gets the room it needs instead of an ellipsis.
    const int cellMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
    setColumnWidth(17, std::max(110, fontMetrics().horizontalAdvance(QString(16, QLatin1Char('W'))) + cellMargins));

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setShowGrid(false);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    int width = 2 * frameWidth();
    for (int c = 0; c < kColumnCount; ++c)
        width += columnWidth(c);
    setFixedSize(
        width, 2 * frameWidth() + header->sizeHint().height() + kVisibleRows * verticalHeader()->defaultSectionSize());
}

int CDumpListCtrl::countPerPage() const
{
    const int available = height() - 2 * frameWidth() - horizontalHeader()->sizeHint().height();
    const int rowHeight = verticalHeader()->defaultSectionSize();
    return rowHeight > 0 ? available / rowHeight : 0;
}

void CDumpListCtrl::showRows(const std::vector<DumpRow>& rows)
{
    setRowCount(0);
    setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const DumpRow& row = rows[std::size_t(r)];
        setItem(r, 0, new QTableWidgetItem(QStringLiteral("%1").arg(row.address, 6, 16, QLatin1Char('0')).toUpper()));
        for (int j = 0; j < 16; ++j)
            setItem(r, j + 1, new QTableWidgetItem(QString::fromStdString(row.bytes[std::size_t(j)])));
        setItem(r, 17, new QTableWidgetItem(QString::fromLatin1(row.ascii.data(), qsizetype(row.ascii.size()))));
    }
}

} // namespace plx71
