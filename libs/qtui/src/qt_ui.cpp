#include "plx71/qtui/qt_ui.hpp"

#include <QApplication>
#include <QThread>
#include <QWidget>

namespace plx71::qtui {

QMessageBox::Icon toMessageBoxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Stop:
        return QMessageBox::Critical;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

QtUi::QtUi(QString caption, QObject* parent) : QObject(parent), caption_(std::move(caption)) {}

void QtUi::message(Icon icon, const std::string& text)
{
    onOwnThread(icon, text, false);
}

bool QtUi::question(Icon icon, const std::string& text)
{
    return onOwnThread(icon, text, true);
}

void QtUi::messageWithDetail(Icon icon, const std::string& text, const std::string& reason)
{
    onOwnThread(icon, text, false, reason);
}

void QtUi::operationFailed(const BoxOutcome&, const FailureText& text)
{
    onOwnThread(Icon::Stop, text.text, false, text.detail);
}

bool QtUi::onOwnThread(Icon icon, const std::string& text, bool withCancel, const std::string& detail)
{
    const QString qtext = QString::fromStdString(text);
    const QString qdetail = QString::fromStdString(detail);
    // A blocking queued call into one's own thread would wait for itself.
    if (QThread::currentThread() == thread())
        return showBox(icon, qtext, withCancel, qdetail);
    bool answer = false;
    QMetaObject::invokeMethod(
        this, [&] { answer = showBox(icon, qtext, withCancel, qdetail); }, Qt::BlockingQueuedConnection);
    return answer;
}

bool QtUi::showBox(Icon icon, const QString& text, bool withCancel, const QString& detail)
{
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    QMessageBox box(toMessageBoxIcon(icon), caption_, text,
                    withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("plx71MessageBox"));
    box.setDefaultButton(QMessageBox::Ok);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    if (withCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    // A command that shows the busy cursor may report before it ends; the
    // box is the user's turn, so it shows the arrow, and the busy cursor
    // comes back once the box is answered.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool ok = box.exec() == QMessageBox::Ok;
    if (busy)
        QApplication::restoreOverrideCursor();
    return ok;
}

} // namespace plx71::qtui
