#include "slot_tile.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace plx71::station {

namespace {

QString phaseText(ProgressPhase phase)
{
    switch (phase) {
    case ProgressPhase::Connect:
        return QStringLiteral("connect");
    case ProgressPhase::Settings:
        return QStringLiteral("settings");
    case ProgressPhase::Erase:
        return QStringLiteral("erase");
    case ProgressPhase::UserPages:
    case ProgressPhase::BootPages:
        return QStringLiteral("pages");
    case ProgressPhase::Commit:
        return QStringLiteral("commit");
    case ProgressPhase::Verify:
        return QStringLiteral("read-back");
    case ProgressPhase::Closing:
        return QStringLiteral("closing");
    default:
        return QString::fromLatin1(progressPhaseName(phase).data(), qsizetype(progressPhaseName(phase).size()));
    }
}

// Green, red, grey; the word is always there beside the colour.
QString stateStyle(SlotState state)
{
    switch (state) {
    case SlotState::Verified:
        return QStringLiteral("background:#2e7d32;color:white;");
    case SlotState::Failed:
        return QStringLiteral("background:#c62828;color:white;");
    case SlotState::NoBox:
        return QStringLiteral("background:#9e9e9e;color:black;");
    case SlotState::Running:
        return QStringLiteral("background:#1565c0;color:white;");
    case SlotState::Cancelled:
        return QStringLiteral("background:#f9a825;color:black;");
    case SlotState::Idle:
        break;
    }
    return QStringLiteral("background:#eeeeee;color:black;");
}

} // namespace

SlotTile::SlotTile(QWidget* parent)
    : QFrame(parent), label_(new QLineEdit(this)), port_(new QLabel(this)), state_(new QLabel(this)),
      bar_(new QProgressBar(this)), counters_(new QLabel(this)), lastJob_(new QLabel(this)), cause_(new QLabel(this)),
      start_(new QPushButton(QStringLiteral("Start"), this)), remove_(new QPushButton(QStringLiteral("Remove"), this))
{
    setFrameShape(QFrame::StyledPanel);
    setMinimumWidth(260);
    label_->setPlaceholderText(QStringLiteral("Label"));
    label_->setObjectName(QStringLiteral("slotLabel"));
    connect(label_, &QLineEdit::editingFinished, this, [this] { emit labelEdited(label_->text()); });
    connect(start_, &QPushButton::clicked, this, &SlotTile::startClicked);
    connect(remove_, &QPushButton::clicked, this, &SlotTile::removeClicked);
    port_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    port_->setWordWrap(true);
    state_->setAlignment(Qt::AlignCenter);
    state_->setMargin(4);
    QFont bold = state_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    state_->setFont(bold);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setFormat(QString());
    cause_->setWordWrap(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label_, 0, 0, 1, 2);
    layout->addWidget(port_, 1, 0, 1, 2);
    layout->addWidget(state_, 2, 0, 1, 2);
    layout->addWidget(bar_, 3, 0, 1, 2);
    layout->addWidget(counters_, 4, 0);
    layout->addWidget(lastJob_, 4, 1);
    layout->addWidget(cause_, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(remove_);
    layout->addLayout(buttons, 6, 0, 1, 2);
}

void SlotTile::show(const StationSlot& slot, int number, bool editable)
{
    start_->setAccessibleName(QStringLiteral("Start slot %1").arg(number));
    remove_->setAccessibleName(QStringLiteral("Remove slot %1").arg(number));
    label_->setAccessibleName(QStringLiteral("Label of slot %1").arg(number));
    if (!label_->hasFocus())
        label_->setText(slot.config.label);
    label_->setReadOnly(!editable);
    remove_->setEnabled(editable);
    port_->setText(slot.portIdentity);
    const QString word = slot.stateText();
    state_->setText(word);
    state_->setAccessibleName(QStringLiteral("Slot %1: %2").arg(number).arg(word));
    state_->setStyleSheet(stateStyle(slot.state));
    const SlotCounters& c = slot.counters;
    counters_->setText(
        QStringLiteral("Passed %1  Failed %2  Cancelled %3").arg(c.passed).arg(c.failed).arg(c.cancelled));
    const SlotLastJob& last = slot.last;
    if (!last.when.isEmpty())
        lastJob_->setText(last.finished.isEmpty() ? QStringLiteral("Last: %1").arg(last.when)
                                                  : QStringLiteral("Last: %1, %2").arg(last.when, last.finished));
    cause_->setText(last.outcomeClass.isEmpty() ? QString() : last.outcomeClass + QStringLiteral(": ") + last.cause);
    showProgress(slot);
}

void SlotTile::showProgress(const StationSlot& slot)
{
    if (slot.state != SlotState::Running) {
        // The last job's result, or nothing before the first.
        bar_->setRange(0, 1);
        bar_->setValue(slot.last.state == SlotState::Verified ? 1 : 0);
        bar_->setFormat(slot.last.when.isEmpty() ? QString() : stateWord(slot.last.state));
        return;
    }
    const SlotProgress& p = slot.progress;
    if (p.total > 0) {
        bar_->setRange(0, p.total);
        bar_->setValue(p.done);
    } else {
        bar_->setRange(0, 0);
    }
    bar_->setFormat((p.note.isEmpty() ? QString() : p.note + QStringLiteral(", ")) + phaseText(p.phase)
                    + (p.total > 0 ? QStringLiteral(" %p%") : QString()));
}

} // namespace plx71::station
