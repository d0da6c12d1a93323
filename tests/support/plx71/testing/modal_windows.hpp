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

#include <QTimer>

#include <functional>

namespace plx71::qtui {

// Answers the next modal window of type T: polls every 10 ms until one is
// visible (at most `timeoutMs`), then hands it to `answer` once. The poll
// runs inside whatever modal loop is open, so the call that opened the
// window may block meanwhile.
template <typename T>
void whenVisible(std::function<void(T*)> answer, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto* elapsed = new int(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, answer, timeoutMs] {
        *elapsed += 10;
        T* window = visibleTopLevel<T>();
        if (!window && *elapsed < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete elapsed;
        if (window)
            answer(window);
    });
    timer->start();
}

} // namespace plx71::qtui
