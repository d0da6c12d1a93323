#include "field_checks.hpp"

#include "field_focus.hpp"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>

namespace plx71 {

FieldChecks::FieldChecks(std::initializer_list<QLineEdit*> fields, Check check, QObject* parent)
    : QObject(parent), fields_(fields), check_(std::move(check))
{
    for (QLineEdit* field : fields_)
        field->installEventFilter(this);
}

bool FieldChecks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        auto* field = qobject_cast<QLineEdit*>(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Leaving the window (another program, a menu) is not leaving the field.
        if (field && !refocusing_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
            && !pending_.contains(field)) {
            pending_.insert(field);
            QTimer::singleShot(0, this, [this, field] { checkAfterFocusLeft(field); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void FieldChecks::checkAfterFocusLeft(QLineEdit* field)
{
    if (!pending_.remove(field))
        return;
    // The user came back to the field, or the program is not in front.
    if (field->hasFocus() || !QGuiApplication::focusWindow())
        return;
    check_(field);
}

bool FieldChecks::flush()
{
    const QSet<QLineEdit*> waiting = pending_;
    pending_.clear();
    for (QLineEdit* field : fields_) {
        if (waiting.contains(field) && !check_(field))
            return false;
    }
    return true;
}

void FieldChecks::returnFocusTo(QLineEdit* field)
{
    pending_.clear();
    refocusing_ = true;
    refocusAndSelect(field);
    refocusing_ = false;
}

} // namespace plx71
