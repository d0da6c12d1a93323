#include "plx71/qtui/transfer_progress_dialog.hpp"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace plx71::qtui {

namespace {

// The one-line text above the bar, usually a path of up to 255 characters:
// the dialog widens for it up to a limit, and beyond that the text is
// shortened in the middle rather than stretching the dialog (and its Cancel
// button) off the screen.
class PathLabel : public QLabel {
public:
    static constexpr int kWidestText = 600;

    PathLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setToolTip(text);
    }

    QSize sizeHint() const override
    {
        const QSize full = QLabel::sizeHint();
        return {std::min(full.width(), kWidestText), full.height()};
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

} // namespace

TransferProgressDialog::TransferProgressDialog(const QString& title, const QString& text, ProgressCounters& counters,
                                               std::int32_t total, std::function<void()> body, QWidget* parent)
    : QDialog(parent), counters_(counters), total_(std::max<std::int32_t>(total, 0)), body_(std::move(body))
{
    setWindowTitle(title);
    setModal(true);
    setObjectName(QStringLiteral("transferProgressDialog"));

    auto* layout = new QVBoxLayout(this);
    if (!text.isEmpty()) {
        text_ = new PathLabel(text, this);
        text_->setObjectName(QStringLiteral("transferText"));
        text_->setAccessibleName(text);
        layout->addWidget(text_);
    }
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setAccessibleName(QStringLiteral("Progress"));
    bar_->setRange(0, total_);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(330);
    layout->addWidget(bar_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setAccessibleName(QStringLiteral("Cancel"));
    cancel_->setAutoDefault(false);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, [this] { counters_.abort(); });

    timer_ = new QTimer(this);
    timer_->setInterval(kTimerIntervalMs);
    connect(timer_, &QTimer::timeout, this, &TransferProgressDialog::showProgress);
}

TransferProgressDialog::TransferProgressDialog(const QString& title, const QString& text, ProgressCounters& counters,
                                               std::function<void()> body, QWidget* parent)
    : TransferProgressDialog(title, text, counters, counters.total(), std::move(body), parent)
{
    startsCounters_ = false;
}

TransferProgressDialog::~TransferProgressDialog()
{
    worker_.join();
}

void TransferProgressDialog::startTransfer()
{
    worker_.join();
    ended_ = false;
    if (startsCounters_)
        counters_.start(total_);
    bar_->setRange(0, total_);
    bar_->setValue(0);
    timer_->start();
    QPointer<TransferProgressDialog> self(this);
    worker_.start(body_, [self] {
        // Runs on the worker: the dialog closes on its own thread.
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self)
                    self->transferEnded();
            },
            Qt::QueuedConnection);
    });
}

int TransferProgressDialog::exec()
{
    startTransfer();
    return QDialog::exec();
}

void TransferProgressDialog::open()
{
    startTransfer();
    QDialog::open();
}

void TransferProgressDialog::showProgress()
{
    // After Cancel the counters hold the abort mark, beyond the range: the
    // bar keeps what was done rather than jumping to its end.
    if (counters_.aborted())
        return;
    bar_->setValue(std::clamp(counters_.done(), 0, total_));
}

void TransferProgressDialog::transferEnded()
{
    ended_ = true;
    timer_->stop();
    worker_.join(); // it has nothing left to do but return
    if (counters_.aborted()) {
        QDialog::reject();
    } else {
        showProgress();
        QDialog::accept();
    }
}

void TransferProgressDialog::reject()
{
    // Esc and Cancel: only the mark; the worker decides when the dialog ends.
    if (ended_)
        QDialog::reject();
    else
        counters_.abort();
}

void TransferProgressDialog::closeEvent(QCloseEvent* event)
{
    if (ended_) {
        QDialog::closeEvent(event);
        return;
    }
    counters_.abort();
    event->ignore();
}

bool runTransferDialog(const QString& title, const QString& text, ProgressCounters& counters, std::int32_t total,
                       std::function<void()> body, QWidget* parent)
{
    TransferProgressDialog dialog(title, text, counters, total, std::move(body), parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace plx71::qtui
