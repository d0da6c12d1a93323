#pragma once
// One slot's tile: label, port identity, state word, progress with the
// phase, pass and fail counters, the last job's time and, after a failure,
// its outcome class and cause.
#include "station_model.hpp"

#include "plx71/ops/progress_sink.hpp"

#include <QFrame>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace plx71::station {

class SlotTile : public QFrame {
    Q_OBJECT
public:
    SlotTile(int number, const SlotConfig& config, QWidget* parent = nullptr);

    void setNumber(int number);
    void setPortIdentity(const QString& identity);
    void setState(SlotState state);
    void setProgress(ProgressPhase phase, int done, int total);
    // Shown before the phase until the job ends ("restart 2 of 5, 57600 bit/s").
    void setNote(const QString& note) { note_ = note; }
    void setCounters(int passed, int failed);
    // recovered: what a recovering job took ("finished at 57600 bit/s ..."), or empty.
    void setLastJob(const QString& when, const QString& outcomeClass, const QString& cause,
                    const QString& recovered = {});
    void setEditable(bool editable);

    QPushButton* startButton() const { return start_; }
    QPushButton* removeButton() const { return remove_; }
    QLineEdit* labelEdit() const { return label_; }
    QLabel* stateLabel() const { return state_; }

signals:
    void labelEdited(const QString& label);

private:
    int number_;
    SlotState stateValue_ = SlotState::Idle;
    QString note_;
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
