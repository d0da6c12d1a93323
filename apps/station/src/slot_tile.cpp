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

SlotTile::SlotTile(int number, const SlotConfig& config, QWidget* parent)
    : QFrame(parent), number_(number), label_(new QLineEdit(config.label, this)), port_(new QLabel(this)),
      state_(new QLabel(this)), bar_(new QProgressBar(this)), counters_(new QLabel(this)), lastJob_(new QLabel(this)),
      cause_(new QLabel(this)), start_(new QPushButton(QStringLiteral("Start"), this)),
      remove_(new QPushButton(QStringLiteral("Remove"), this))
{
    setFrameShape(QFrame::StyledPanel);
    setMinimumWidth(260);
    label_->setPlaceholderText(QStringLiteral("Label"));
    label_->setObjectName(QStringLiteral("slotLabel"));
    connect(label_, &QLineEdit::editingFinished, this, [this] { emit labelEdited(label_->text()); });
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
    setNumber(number);
    setState(SlotState::Idle);
    setCounters(0, 0);
}

void SlotTile::setNumber(int number)
{
    number_ = number;
    start_->setAccessibleName(QStringLiteral("Start slot %1").arg(number));
    remove_->setAccessibleName(QStringLiteral("Remove slot %1").arg(number));
    label_->setAccessibleName(QStringLiteral("Label of slot %1").arg(number));
    setState(stateValue_);
}

void SlotTile::setPortIdentity(const QString& identity)
{
    port_->setText(identity);
}

void SlotTile::setState(SlotState state)
{
    stateValue_ = state;
    const QString word = stateWord(state);
    state_->setText(word);
    state_->setAccessibleName(QStringLiteral("Slot %1: %2").arg(number_).arg(word));
    state_->setStyleSheet(stateStyle(state));
    if (state == SlotState::Running) {
        note_.clear();
        bar_->setRange(0, 0);
        bar_->setFormat(QStringLiteral("connect"));
    }
}

void SlotTile::setProgress(ProgressPhase phase, int done, int total)
{
    if (total > 0) {
        bar_->setRange(0, total);
        bar_->setValue(done);
    } else {
        bar_->setRange(0, 0);
    }
    bar_->setFormat((note_.isEmpty() ? QString() : note_ + QStringLiteral(", ")) + phaseText(phase)
                    + (total > 0 ? QStringLiteral(" %p%") : QString()));
}

void SlotTile::setCounters(int passed, int failed)
{
    counters_->setText(QStringLiteral("Passed %1  Failed %2").arg(passed).arg(failed));
}

void SlotTile::setLastJob(const QString& when, const QString& outcomeClass, const QString& cause,
                          const QString& recovered)
{
    bar_->setRange(0, 1);
    bar_->setValue(stateValue_ == SlotState::Verified ? 1 : 0);
    bar_->setFormat(stateWord(stateValue_));
    lastJob_->setText(recovered.isEmpty() ? QStringLiteral("Last: %1").arg(when)
                                          : QStringLiteral("Last: %1, %2").arg(when, recovered));
    cause_->setText(outcomeClass.isEmpty() ? QString() : outcomeClass + QStringLiteral(": ") + cause);
}

void SlotTile::setEditable(bool editable)
{
    label_->setReadOnly(!editable);
    remove_->setEnabled(editable);
}

} // namespace plx71::station
