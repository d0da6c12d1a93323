#pragma once
// The editor's hex dump: a report-style list of at most one page of rows, in
// a fixed-pitch font, whose columns cannot be resized and which neither
// scrolls nor selects. Navigation goes through the editor's buttons.
#include <QTableWidget>

#include <vector>

namespace plx71 {

struct DumpRow;

class CDumpListCtrl : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 18;
    static constexpr int kVisibleRows = 16;

    explicit CDumpListCtrl(QWidget* parent = nullptr);

    // Rows that fit completely in the list as it is sized now.
    int countPerPage() const;
    void showRows(const std::vector<DumpRow>& rows);

    // 30 pixels for a byte column under a Japanese locale, else 24.
    static int byteColumnWidth();
};

} // namespace plx71
