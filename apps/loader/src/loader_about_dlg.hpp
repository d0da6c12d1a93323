#pragma once
// "About RmqLdr": the program's icon, its version and one line on what it is.
#include <QDialog>

namespace plx71 {

inline constexpr const char* kAboutEntryText = "&About RmqLdr...";

class CLoaderAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLoaderAboutDlg(QWidget* parent = nullptr);
};

} // namespace plx71
