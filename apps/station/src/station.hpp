#pragma once
// The station without any widget: one project on many writer boxes. It holds
// the slots (port, label, state, presence, counters), auto mode and its
// serve-once rule, the operator lock, the record file, the job options, and
// starts and ends every slot's job. Each box runs on its own worker; the
// station only takes in what they report, on its own thread. A window (or
// any other front end) draws it and forwards the operator's clicks; the
// station reports through Ui like the rest of the suite.
#include "operator_lock.hpp"
#include "station_command_line.hpp"
#include "station_project.hpp"
#include "station_record.hpp"
#include "station_settings.hpp"
#include "station_slot.hpp"

#include "plx71/devices/device_table.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/port/link_timing.hpp"
#include "plx71/port/port_choice.hpp"
#include "plx71/port/serial_device.hpp"
#include "plx71/port/station_file.hpp"

#include <QElapsedTimer>
#include <QObject>
#include <QSettings>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

namespace plx71 {
class PortCatalog;
}

namespace plx71::station {

class StationLine;

struct StationConfig {
    QString settingsFile;             // empty: the user's settings
    QString deviceTablePath;          // empty: $PLX71_DEVICE_TABLE, beside the program, installed
    std::optional<LinkTiming> timing; // tests shorten the link's pauses
    int presencePollMs = 500;         // never more often than this
    int lockIterations = OperatorLock::kIterations;
};

class Station : public QObject {
    Q_OBJECT
public:
    Station(StationConfig config, Ui& ui, QObject* parent = nullptr);
    // Cancels every job that still runs and waits for its way back to 9600.
    ~Station() override;

    // False when the device table cannot be read (the message has been shown).
    bool ready() const { return ready_; }
    // The command line; with nothing on it, the last project and slots.
    void apply(const StationArgs& args);

    // The project every box gets.
    bool openProject(const QString& path);
    const ProjectJob* project() const { return project_.get(); }

    int slotCount() const { return int(slots_.size()); }
    const StationSlot& slot(int index) const { return *slots_[std::size_t(index)]; }
    bool addSlot(const SlotConfig& config);
    void removeSlot(int index);
    void setSlotLabel(int index, const QString& label);
    bool loadStationFile(const QString& path);
    bool saveStationFile(const QString& path);
    // The serial ports present now, to choose a slot's from.
    std::vector<SerialDevice> portsNow();

    const StationRecord& record() const { return record_; }
    const JobTotals& totals() const { return totals_; }
    bool setRecordFile(const QString& path);

    const StationSettings& settings() const { return settings_; }
    // The line server's side of the station: shipping, live status, releases.
    StationLine& line() { return *line_; }
    void setSettings(const StationSettings& settings);
    bool autoMode() const { return autoMode_; }
    void setAutoMode(bool on);
    // Auto mode was on when the last session ended: the station asks before
    // it serves anything.
    bool autoModeAsked() const { return autoAsked_; }
    void answerAutoModeQuestion(bool turnOn);

    void startAll();
    void startSlot(int index);
    // Compare each box's stored job with the project, writing nothing
    // (station_check.cpp); refused as Start is.
    void checkAll();
    void checkSlot(int index);
    void cancelAll();
    void retryFailed();
    bool anyRunning() const { return runningCount() > 0; }
    int runningCount() const;
    int failedCount() const;
    // No job starts any more: the front end closes once every box has ended.
    void beginClosing() { closing_ = true; }
    bool closing() const { return closing_; }

    // While locked, the project, the slots, the record file, the options
    // and auto mode stay as they are: what would change them is refused.
    bool locked() const { return lock_->locked(); }
    // Locks with `password` (not empty) and keeps the session.
    bool lock(const QString& password);
    bool unlock(const QString& password);

    // The presence of every slot's port, and auto mode's starts.
    void pollPresence();
    // Keeps project, slots, record file and options for the next session.
    void saveSession();
    // Where the session is kept; a front end may keep its own things there.
    QSettings& store() { return *store_; }

signals:
    void projectChanged();
    void slotsChanged(); // added or removed: every slot's number may have changed
    void slotChanged(int index);
    void slotProgress(int index);
    void recordChanged(); // the record file, or this session's totals
    void settingsChanged();
    void autoModeChanged(bool on); // or its question was answered
    void lockChanged();
    void beepWanted();
    void slotEnded(int index);

private:
    // The last session's options, record, project and slots (when asked);
    // true when auto mode was on.
    bool restoreSession(bool project, bool slotList);
    // False when the record file it names cannot be used.
    bool applyCommandLine(const StationArgs& args);
    // Notes every idle slot's presence; `autoStart`: auto mode starts the boxes
    // that appeared.
    void refreshPresence(bool autoStart);
    // Not locked, or the session being restored.
    bool editable() const { return !locked() || restoring_; }
    void changeAutoMode(bool on);
    void onSlotEnded(StationSlot& slot, const SlotEnd& end);
    void onSlotProgress(StationSlot& slot, const SlotProgress& progress);
    void setSlotState(StationSlot& slot, SlotState state);
    // `check`: compares the box with the project instead of programming it.
    bool startJob(int index, bool check = false);
    bool sameDeviceRunning(int index, const PortChoice& port);
    bool checkRecordFile();
    bool checkProject();
    std::optional<PortChoice> resolveSlot(const SlotConfig& config, QString* problem = nullptr,
                                          bool* notFound = nullptr);
    bool present(const PortChoice& port);
    bool duplicateOfSlot(const SlotConfig& config, const PortChoice& port);
    // The machine's ports, read again when older than a poll's fraction, so
    // one poll (or one Start all) scans /dev once for every slot.
    PortCatalog& catalog();
    int indexOf(const StationSlot& slot) const;

    StationConfig config_;
    Ui& ui_;
    std::unique_ptr<QSettings> store_;
    std::unique_ptr<OperatorLock> lock_;
    DeviceTable table_;
    StationFile userStation_;
    bool ready_ = false;
    std::shared_ptr<const ProjectJob> project_;
    std::vector<std::unique_ptr<StationSlot>> slots_;
    StationRecord record_;
    JobTotals totals_;
    StationSettings settings_;
    bool autoMode_ = false;
    bool autoAsked_ = false;
    bool closing_ = false;
    bool restoring_ = false;
    QTimer presenceTimer_;
    std::unique_ptr<PortCatalog> catalog_;
    QElapsedTimer catalogAge_;
    std::unique_ptr<StationLine> line_;
};

} // namespace plx71::station
