#pragma once
// Where the focus goes in the form and the dialogs, and what is selected
// there, so the user can type over a field's text at once.
#include "plx71/qtui/accessible_names.hpp"

#include <QEvent>
#include <QLineEdit>

namespace plx71 {

// After a refused entry the field gets the focus back with its whole text
// selected.
inline void refocusAndSelect(QLineEdit* edit)
{
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

// A dialog opens with the focus in its first field and that field's preset
// text selected, so typing replaces the preset ("d0000" over "c0000" gives
// "d0000") instead of adding to it.
class SelectPresetOnShow : public QObject {
public:
    SelectPresetOnShow(QWidget* dialog, QLineEdit* field) : QObject(dialog), field_(field)
    {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Show) {
            field_->setFocus(Qt::OtherFocusReason);
            field_->selectAll();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLineEdit* field_;
};

using qtui::withoutMnemonic;

} // namespace plx71
