#pragma once
// One slot's tile: "Slot N · label", the port's short name, the state word
// (with the box's absence beside a kept failure), progress with the phase,
// the counters, the last job's time and the cause of a failure or what a
// finished job took. It draws a slot of the station and forwards the
// operator's clicks; it keeps nothing of the slot itself, and its width is
// the one it is given, whatever it shows.
#include "station_slot.hpp"

#include <QFrame>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace plx71::station {

class ElidedLabel;

class SlotTile : public QFrame {
    Q_OBJECT
public:
    explicit SlotTile(QWidget* parent = nullptr);

    // Draws slot `number` (from 1); `editable`: the station is not locked.
    void draw(const StationSlot& slot, int number, bool editable);
    void drawProgress(const StationSlot& slot);
    // Five short lines instead of seven, for many tiles on a small screen.
    void setCompact(bool compact);
    bool compact() const { return compact_; }

signals:
    void startClicked();
    void checkClicked();
    void removeClicked();
    void labelEdited(const QString& label);

private:
    void drawLastJob(const StationSlot& slot, int number);

    bool compact_ = false;
    QLabel* number_;
    QLineEdit* label_;
    ElidedLabel* port_;
    QLabel* state_;
    QProgressBar* bar_;
    ElidedLabel* counters_;
    ElidedLabel* lastJob_;
    ElidedLabel* note_; // a failure's cause, or what a finished job took
    QPushButton* start_;
    QPushButton* check_; // compares the box with the project, writes nothing
    QPushButton* remove_;
};

} // namespace plx71::station
