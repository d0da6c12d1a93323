#include "slot_tile.hpp"

#include "elided_label.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace plx71::station {

namespace {

// Green, red, grey; the word is always there beside the colour. A check's
// words take a lighter green and an orange, apart from a job's.
QString stateStyle(SlotState state)
{
    switch (state) {
    case SlotState::Verified:
        return QStringLiteral("background:#2e7d32;color:white;");
    case SlotState::HoldsJob:
        return QStringLiteral("background:#a5d6a7;color:black;");
    case SlotState::Failed:
        return QStringLiteral("background:#c62828;color:white;");
    case SlotState::Differs:
        return QStringLiteral("background:#bf360c;color:white;");
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

// The port as the tile shows it: a path's last part ("ttyUSB0", a by-id
// name), else as given ("COM3", "usb:0403:6001", a station port).
QString shortPortName(const QString& spec)
{
    const qsizetype cut = std::max(spec.lastIndexOf(QLatin1Char('/')), spec.lastIndexOf(QLatin1Char('\\')));
    return cut >= 0 && cut + 1 < spec.size() ? spec.mid(cut + 1) : spec;
}

} // namespace

SlotTile::SlotTile(QWidget* parent)
    : QFrame(parent), number_(new QLabel(this)), label_(new QLineEdit(this)),
      port_(new ElidedLabel(Qt::ElideMiddle, this)), state_(new QLabel(this)), bar_(new QProgressBar(this)),
      counters_(new ElidedLabel(Qt::ElideRight, this)), lastJob_(new ElidedLabel(Qt::ElideRight, this)),
      note_(new ElidedLabel(Qt::ElideRight, this)), start_(new QPushButton(QStringLiteral("Start"), this)),
      check_(new QPushButton(QStringLiteral("Check"), this)), remove_(new QPushButton(QStringLiteral("Remove"), this))
{
    setFrameShape(QFrame::StyledPanel);
    label_->setPlaceholderText(QStringLiteral("Label"));
    label_->setObjectName(QStringLiteral("slotLabel"));
    label_->setFrame(false);
    label_->setMinimumWidth(40);
    connect(label_, &QLineEdit::editingFinished, this, [this] { emit labelEdited(label_->text()); });
    connect(start_, &QPushButton::clicked, this, &SlotTile::startClicked);
    connect(check_, &QPushButton::clicked, this, &SlotTile::checkClicked);
    connect(remove_, &QPushButton::clicked, this, &SlotTile::removeClicked);
    QFont bold = number_->font();
    bold.setBold(true);
    number_->setFont(bold);
    state_->setAlignment(Qt::AlignCenter);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setFormat(QString());
    setCompact(false);
}

void SlotTile::setCompact(bool compact)
{
    if (layout() && compact == compact_)
        return;
    compact_ = compact;
    delete layout(); // the widgets stay: they are the tile's children
    QFont stateFont = number_->font();
    stateFont.setPointSizeF(stateFont.pointSizeF() * (compact ? 1.0 : 1.4));
    state_->setFont(stateFont);
    state_->setMargin(compact ? 1 : 4);
    // Empty, they are as high as with their words: every tile of a form is
    // as high as the others.
    number_->setMinimumHeight(number_->fontMetrics().height());
    state_->setMinimumHeight(state_->fontMetrics().height() + 2 * state_->margin());
    state_->setMinimumWidth(compact ? state_->fontMetrics().horizontalAdvance(QStringLiteral("Cancelled")) + 12 : 0);
    const int line = label_->sizeHint().height();
    bar_->setMaximumHeight(compact ? line - 4 : QWIDGETSIZE_MAX);
    for (QPushButton* b : {start_, check_, remove_}) {
        b->setMaximumHeight(compact ? line : QWIDGETSIZE_MAX);
        // A compact button is as wide as its word: the label keeps the room
        // a style's minimum button width would take.
        b->setMaximumWidth(compact ? b->fontMetrics().horizontalAdvance(b->text()) + b->fontMetrics().height()
                                   : QWIDGETSIZE_MAX);
    }
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(compact ? QMargins(4, 3, 4, 3) : QMargins(8, 6, 8, 6));
    grid->setVerticalSpacing(compact ? 2 : 4);
    auto* title = new QHBoxLayout;
    title->addWidget(number_);
    title->addWidget(label_, 1);
    if (compact) {
        // Five lines: title and buttons, state and bar, port and counters,
        // the last job, its cause or what it took.
        title->addWidget(start_);
        title->addWidget(check_);
        title->addWidget(remove_);
        grid->addLayout(title, 0, 0, 1, 2);
        grid->addWidget(state_, 1, 0);
        grid->addWidget(bar_, 1, 1);
        grid->addWidget(port_, 2, 0);
        grid->addWidget(counters_, 2, 1);
        grid->addWidget(lastJob_, 3, 0, 1, 2);
        grid->addWidget(note_, 4, 0, 1, 2);
        return;
    }
    grid->addLayout(title, 0, 0, 1, 2);
    grid->addWidget(port_, 1, 0);
    grid->addWidget(counters_, 1, 1);
    grid->addWidget(state_, 2, 0, 1, 2);
    grid->addWidget(bar_, 3, 0, 1, 2);
    grid->addWidget(lastJob_, 4, 0, 1, 2);
    grid->addWidget(note_, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(check_);
    buttons->addWidget(remove_);
    grid->addLayout(buttons, 6, 0, 1, 2);
}

void SlotTile::draw(const StationSlot& slot, int number, bool editable)
{
    const QString name = QStringLiteral("Slot %1").arg(number);
    number_->setText(name + QStringLiteral(" \u00b7"));
    setAccessibleName(slot.config.label.isEmpty() ? name : name + QStringLiteral(" \u00b7 ") + slot.config.label);
    start_->setAccessibleName(QStringLiteral("Start slot %1").arg(number));
    check_->setAccessibleName(QStringLiteral("Check slot %1").arg(number));
    remove_->setAccessibleName(QStringLiteral("Remove slot %1").arg(number));
    label_->setAccessibleName(QStringLiteral("Label of slot %1").arg(number));
    if (!label_->hasFocus()) {
        label_->setText(slot.config.label);
        label_->setCursorPosition(0); // a label too long for the tile shows its start
    }
    label_->setReadOnly(!editable);
    remove_->setEnabled(editable);
    port_->setFullText(shortPortName(slot.config.spec));
    port_->setToolTip(slot.portIdentity);
    port_->setAccessibleName(QStringLiteral("Port of slot %1: ").arg(number) + port_->fullText());
    port_->setAccessibleDescription(slot.portIdentity);
    const QString word = slot.stateText();
    state_->setText(word);
    state_->setAccessibleName(QStringLiteral("Slot %1: %2").arg(number).arg(word));
    state_->setStyleSheet(stateStyle(slot.state));
    const SlotCounters& c = slot.counters;
    const QString counts = QStringLiteral("%1 passed \u00b7 %2 failed").arg(c.passed).arg(c.failed);
    counters_->setFullText(c.cancelled > 0 ? counts + QStringLiteral(" \u00b7 %1 cancelled").arg(c.cancelled) : counts);
    counters_->setAccessibleName(QStringLiteral("Counters of slot %1: %2 passed, %3 failed, %4 cancelled")
                                     .arg(number)
                                     .arg(c.passed)
                                     .arg(c.failed)
                                     .arg(c.cancelled));
    drawLastJob(slot, number);
    drawProgress(slot);
}

// The last job's time and, unless a job runs, its cause or what it took.
void SlotTile::drawLastJob(const StationSlot& slot, int number)
{
    const SlotLastJob& last = slot.last;
    lastJob_->setFullText(last.when.isEmpty() ? QString() : QStringLiteral("Last: ") + last.when);
    QString note;
    if (slot.state != SlotState::Running)
        note = last.outcomeClass.isEmpty() ? last.finished : last.cause;
    note_->setFullText(note);
    note_->setToolTip(last.outcomeClass.isEmpty() || note.isEmpty() ? note
                                                                    : last.outcomeClass + QStringLiteral(": ") + note);
    note_->setAccessibleName(QStringLiteral("Last job of slot %1: %2").arg(number).arg(note));
}

void SlotTile::drawProgress(const StationSlot& slot)
{
    if (slot.state != SlotState::Running) {
        // The last job's result, or nothing before the first.
        bar_->setRange(0, 1);
        bar_->setValue(slot.last.state == SlotState::Verified || slot.last.state == SlotState::HoldsJob ? 1 : 0);
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
    QString format = phaseText(p.phase) + (p.total > 0 ? QStringLiteral(" %p%") : QString());
    if (!p.note.isEmpty())
        format += QStringLiteral(" \u00b7 ") + p.note;
    bar_->setFormat(format);
}

} // namespace plx71::station
