#pragma once
// The checks of fields the user leaves. Leaving a watched field queues its
// check; the check runs once the focus has settled (the user may have come
// straight back, or left the program), or at once when a command flushes the
// queue before it starts. A refused field gets the focus back with its text
// selected; while that happens the field the focus leaves is not being left
// by the user, and checks still waiting are dropped, so two refused fields
// never pass the focus back and forth.
#include <QObject>
#include <QSet>

#include <functional>
#include <initializer_list>
#include <vector>

class QLineEdit;

namespace plx71 {

class FieldChecks : public QObject {
    Q_OBJECT
public:
    // `check` tells whether a field's text is accepted; on refusal it has
    // reported why and calls returnFocusTo().
    using Check = std::function<bool(QLineEdit* field)>;

    FieldChecks(std::initializer_list<QLineEdit*> fields, Check check, QObject* parent = nullptr);

    // Runs the waiting checks now, in the order the fields were given.
    // False when a check refused its field.
    bool flush();
    // Hands the focus back to a refused field with its text selected.
    void returnFocusTo(QLineEdit* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void checkAfterFocusLeft(QLineEdit* field);

    std::vector<QLineEdit*> fields_;
    Check check_;
    QSet<QLineEdit*> pending_;
    bool refocusing_ = false;
};

} // namespace plx71
