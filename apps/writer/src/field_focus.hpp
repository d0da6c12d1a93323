#pragma once
// After a refused entry the field gets the focus back with its whole text
// selected, so the user can type over it at once.
#include <QLineEdit>

namespace plx71 {

inline void refocusAndSelect(QLineEdit* edit)
{
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

// A label with a mnemonic, its buddy, and the accessible name taken from the
// label's text without '&'.
inline QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace plx71
