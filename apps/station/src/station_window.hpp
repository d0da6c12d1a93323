#pragma once
// Plx71Station's window: one project on many writer boxes. A job header the
// operator compares with the work instruction, a tile per slot, and the
// operations Start all, Start on a tile, Cancel all and Retry failed. Each
// box runs on its own worker; this thread only shows what they report.
#include "operator_lock.hpp"
#include "slot_runner.hpp"
#include "station_model.hpp"
#include "station_project.hpp"

#include "plx71/devices/device_table.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/port/port_resolver.hpp"
#include "plx71/port/station_file.hpp"
#include "plx71/qtui/file_chooser.hpp"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QSettings>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace plx71 {
class PortCatalog;
}

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;

namespace plx71::qtui {
class AppShell;
}

namespace plx71::station {

class SlotTile;

inline constexpr const char* kStationTitle = "Plx71Station";

struct StationOptions {
    Ui* ui = nullptr;          // null: message boxes
    QString settingsFile;      // empty: the user's settings
    QString deviceTablePath;   // empty: $PLX71_DEVICE_TABLE, beside the program, installed
    qtui::FileChooser chooser; // empty: the file dialog
    // Asks for a password; an empty answer is Cancel. Empty: a dialog.
    std::function<QString(QWidget* parent, const QString& prompt)> askPassword;
    std::optional<LinkTiming> timing; // tests shorten the link's pauses
    int presencePollMs = 500;         // never more often than this
    int lockIterations = OperatorLock::kIterations;
};

class StationWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit StationWindow(StationOptions options, QWidget* parent = nullptr);
    ~StationWindow() override;

    // False when the device table cannot be read (the message has been shown).
    bool ready() const { return ready_; }
    // The command line; with nothing on it, the last project and slots.
    void apply(const StationArgs& args);

    bool openProjectFile(const QString& path);
    bool addSlot(const SlotConfig& config);
    void removeSlot(int index);
    bool loadStationFile(const QString& path);
    bool saveStationFile(const QString& path);
    bool setRecordFile(const QString& path);
    void setAutoMode(bool on);

    void startAll();
    void startSlot(int index);
    void cancelAll();
    void retryFailed();
    void toggleLock();

    int slotCount() const { return int(slots_.size()); }
    SlotState slotState(int index) const;
    bool anyRunning() const;
    bool locked() const;
    const ProjectJob* project() const { return project_.get(); }
    // The presence of every slot's port, and auto mode's starts.
    void pollPresence();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Slot {
        SlotConfig config;
        std::unique_ptr<SlotRunner> runner;
        SlotTile* tile = nullptr;
        SlotState state = SlotState::Idle;
        bool present = false;
        bool served = false; // auto mode served this appearance
        int passed = 0;
        int failed = 0;
    };

    void buildWindow();
    QWidget* buildToolRow();
    QWidget* buildHeader();
    QWidget* buildBottomRow();
    void showHeader();
    void relayoutTiles();
    void refreshLockState();
    void refreshTitle();
    void saveSession();
    void restoreSession(bool project, bool slotList);
    void applyCommandLine(const StationArgs& args);
    void onSlotEnded(Slot& slot, const SlotEnd& end);
    void setSlotState(Slot& slot, SlotState state);
    bool startable(int index);
    bool checkRecordFile();
    std::optional<PortChoice> resolveSlot(const SlotConfig& config, QString* problem = nullptr,
                                          PortResolveError* error = nullptr);
    bool present(const PortChoice& port);
    // The machine's ports, read again when older than a poll's fraction, so
    // one poll (or one Start all) scans /dev once for every slot.
    PortCatalog& catalog();
    int indexOf(const SlotTile* tile) const;
    QString chooseFile(bool save, const QString& title, const QString& filter, const QString& suffix);
    void chooseAndAddSlot();
    void maybeCloseAfterCancel();

    StationOptions options_;
    std::unique_ptr<qtui::AppShell> shell_;
    Ui* ui_ = nullptr;
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<OperatorLock> lock_;
    DeviceTable table_;
    StationFile userStation_;
    bool ready_ = false;
    std::shared_ptr<const ProjectJob> project_;
    std::vector<std::unique_ptr<Slot>> slots_;
    QString recordPath_;
    int recordPassed_ = 0;
    int recordFailed_ = 0;
    bool closePending_ = false;
    QTimer presenceTimer_;
    std::unique_ptr<PortCatalog> catalog_;
    QElapsedTimer catalogAge_;

    QGridLayout* tiles_ = nullptr;
    QWidget* tileArea_ = nullptr;
    std::vector<QLabel*> headerValues_;
    QLabel* totals_ = nullptr;
    QCheckBox* auto_ = nullptr;
    QCheckBox* readBack_ = nullptr;
    QCheckBox* skipBlank_ = nullptr;
    QCheckBox* recover_ = nullptr;
    QCheckBox* beep_ = nullptr;
    QPushButton* lockButton_ = nullptr;
    std::vector<QWidget*> lockable_;
};

} // namespace plx71::station
