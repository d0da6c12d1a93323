#pragma once
// The modal progress dialog every long transfer runs under. The worker owns
// the transfer; the dialog only watches the counters every 100 ms and closes
// when the worker says it has ended. Cancel, Esc and the close box merely set
// the abort mark: the worker notices it before its next unit of work, so a
// command in flight is never cut off.
#include "plx71/transfer/progress_counters.hpp"
#include "plx71/transfer/transfer_worker.hpp"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace plx71::qtui {

class TransferProgressDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerIntervalMs = 100;

    // `text` is the one-line text above the bar; empty shows none. `total`
    // is the end of the progress range; the counters are started with it
    // when the dialog runs.
    TransferProgressDialog(const QString& title, const QString& text, ProgressCounters& counters, std::int32_t total,
                           std::function<void()> body, QWidget* parent = nullptr);
    // Over counters the owner has started already (a box session starts
    // each transfer's counters once): the range is counters.total(), and
    // the dialog never restarts them.
    TransferProgressDialog(const QString& title, const QString& text, ProgressCounters& counters,
                           std::function<void()> body, QWidget* parent = nullptr);
    ~TransferProgressDialog() override;

    // Starts the worker and runs the dialog. Accepted when the worker ended
    // without the abort mark, Rejected when it was cancelled or failed.
    int exec() override;
    // The same without a nested loop; finished() reports the result.
    void open() override;

    QProgressBar* progressBar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startTransfer();
    void showProgress();
    void transferEnded();

    ProgressCounters& counters_;
    std::int32_t total_;
    bool startsCounters_ = true;
    std::function<void()> body_;
    TransferWorker worker_;
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* timer_ = nullptr;
    bool ended_ = false;
};

// Runs `body` under a progress dialog; true when it ended without the abort mark.
bool runTransferDialog(const QString& title, const QString& text, ProgressCounters& counters, std::int32_t total,
                       std::function<void()> body, QWidget* parent = nullptr);

} // namespace plx71::qtui
