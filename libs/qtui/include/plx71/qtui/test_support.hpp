#pragma once
// Helpers for GUI tests: find the windows a modal loop opened and answer them.
#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace plx71::qtui {

// The first visible top-level widget of type T (a modal box or dialog).
template <typename T>
T* visibleTopLevel()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    }
    return nullptr;
}

inline QMessageBox* visibleMessageBox()
{
    return visibleTopLevel<QMessageBox>();
}

} // namespace plx71::qtui
