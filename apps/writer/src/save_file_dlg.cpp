#include "save_file_dlg.hpp"

#include "field_focus.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/qtui/file_chooser.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace plx71 {

CSaveFileDlg::CSaveFileDlg(Ui& ui, Area area, AreaRange range, QWidget* parent)
    : QFileDialog(parent), ui_(ui), range_(range)
{
    setObjectName(QStringLiteral("CSaveFileDlg"));
    setWindowTitle(QStringLiteral("Data Save"));
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::DontConfirmOverwrite); // an existing file is replaced without a question
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    const QString filter =
        area == Area::UserRom ? QStringLiteral("Data file (*.hex *.mot)") : QStringLiteral("Update file (*.btp)");
    setNameFilter(filter);
    setDirectory(qtui::startFolder(filter));

    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("saveAddressGroup"));
    auto* row = new QHBoxLayout(group);
    auto* label = new QLabel(QStringLiteral("Save &Address :"), group);
    addressEdit_ = new QLineEdit(group);
    addressEdit_->setObjectName(QStringLiteral("saveAddressText"));
    addressEdit_->setAccessibleName(withoutMnemonic(label->text()));
    addressEdit_->setMaxLength(199);
    label->setBuddy(addressEdit_);
    row->addWidget(label);
    row->addWidget(addressEdit_, 1);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(group, grid->rowCount(), 0, 1, grid->columnCount());
    else if (layout())
        layout()->addWidget(group);
    addressEdit_->installEventFilter(this);
}

bool CSaveFileDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == addressEdit_ && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !checkPending_) {
            // Checked once the focus has settled, so that a click on Save
            // or Cancel is seen first.
            checkPending_ = true;
            QTimer::singleShot(0, this, &CSaveFileDlg::checkAfterFocusLeft);
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

void CSaveFileDlg::checkAfterFocusLeft()
{
    if (!checkPending_)
        return;
    checkPending_ = false;
    if (!isVisible() || addressEdit_->hasFocus() || !QGuiApplication::focusWindow())
        return;
    // Leaving for Cancel needs no check: nothing will be saved.
    if (auto* box = findChild<QDialogButtonBox*>()) {
        QAbstractButton* cancel = box->button(QDialogButtonBox::Cancel);
        if (cancel && QApplication::focusWidget() == cancel)
            return;
    }
    checkAddressField();
}

bool CSaveFileDlg::checkAddressField()
{
    const std::string text = addressEdit_->text().toStdString();
    if (text.find_first_not_of(' ') == std::string::npos) {
        ranges_.clear();
        return true;
    }
    // A range ends above its start here: C0000-C0000 is "Invalid address".
    auto parsed = parseAddressRanges(text, range_.start, range_.end, EqualEnds::Invalid);
    if (parsed) {
        ranges_ = std::move(*parsed);
        return true;
    }
    ui_.message(Icon::Exclamation, std::string(msg::kInvalidAddress));
    refocusAndSelect(addressEdit_);
    return false;
}

void CSaveFileDlg::accept()
{
    checkPending_ = false;
    if (!checkAddressField())
        return;
    QFileDialog::accept();
}

} // namespace plx71
