#pragma once
// One slot's tile: label, port identity, state word, progress with the
// phase, pass and fail counters, the last job's time and, after a failure,
// its outcome class and cause. It draws a slot of the station and forwards
// the operator's clicks; it keeps nothing of the slot itself.
#include "station_slot.hpp"

#include <QFrame>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace plx71::station {

class SlotTile : public QFrame {
    Q_OBJECT
public:
    explicit SlotTile(QWidget* parent = nullptr);

    // Draws slot `number` (from 1); `editable`: the station is not locked.
    void show(const StationSlot& slot, int number, bool editable);
    void showProgress(const StationSlot& slot);

signals:
    void startClicked();
    void removeClicked();
    void labelEdited(const QString& label);

private:
    QLineEdit* label_;
    QLabel* port_;
    QLabel* state_;
    QProgressBar* bar_;
    QLabel* counters_;
    QLabel* lastJob_;
    QLabel* cause_;
    QPushButton* start_;
    QPushButton* remove_;
};

} // namespace plx71::station
