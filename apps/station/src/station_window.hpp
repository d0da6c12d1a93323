#pragma once
// Plx71Station's window: it draws the station (a job header the operator
// compares with the work instruction, a tile per slot, the record's totals)
// and forwards the operator's clicks to it. What the station is and does
// lives in Station; the window keeps only its widgets.
#include "station.hpp"

#include "plx71/messages/ui.hpp"
#include "plx71/qtui/file_chooser.hpp"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;

namespace plx71::qtui {
class AppShell;
}

namespace plx71::station {

class LineOptions;
class TileGrid;

inline constexpr const char* kStationTitle = "Plx71Station";

// What the window adds to the station's own configuration.
struct StationOptions {
    StationConfig station;
    Ui* ui = nullptr;          // null: message boxes
    qtui::FileChooser chooser; // empty: the file dialog
    // Asks for a password; an empty answer is Cancel. Empty: a dialog.
    std::function<QString(QWidget* parent, const QString& prompt)> askPassword;
};

class StationWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit StationWindow(StationOptions options, QWidget* parent = nullptr);
    ~StationWindow() override;

    Station& station() { return *station_; }
    // False when the device table cannot be read (the message has been shown).
    bool ready() const { return station_->ready(); }
    // The command line; with nothing on it, the last project and slots.
    void apply(const StationArgs& args);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    QWidget* buildToolRow();
    QWidget* buildOptions();
    void restoreSize();
    QWidget* buildHeader();
    QWidget* buildBottomRow();
    QWidget* buildAutoQuestion();
    void connectStation();
    void showHeader();
    void showTotals();
    void showSettings();
    void showAutoMode();
    void showTiles();
    void showTile(int index);
    void showLockState();
    void showTitle();
    void toggleLock();
    // A question whose buttons say what they do; true for `act`.
    bool confirm(const QString& text, const QString& act, const QString& keep);
    void openProject();
    QString chooseFile(bool save, const QString& title, const QString& filter, const QString& suffix);
    void chooseAndAddSlot();

    StationOptions options_;
    std::unique_ptr<qtui::AppShell> shell_;
    std::unique_ptr<Station> station_;
    TileGrid* tiles_ = nullptr;
    std::vector<QLabel*> headerValues_;
    QLabel* totals_ = nullptr;
    QCheckBox* auto_ = nullptr;
    QWidget* autoQuestion_ = nullptr;
    QCheckBox* readBack_ = nullptr;
    QCheckBox* skipBlank_ = nullptr;
    QCheckBox* recover_ = nullptr;
    QCheckBox* beep_ = nullptr;
    LineOptions* lineOptions_ = nullptr;
    QLabel* lineStatus_ = nullptr;
    QPushButton* lockButton_ = nullptr;
    std::vector<QWidget*> lockable_;
};

} // namespace plx71::station
