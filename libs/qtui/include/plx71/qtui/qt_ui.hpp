#pragma once
// The message boxes of a window program. Any thread may report: a call from
// a worker is handed to the GUI thread, which shows the box over whatever
// modal window is open (usually the progress dialog) while the worker waits
// for the answer.
#include "plx71/messages/ui.hpp"

#include <QMessageBox>
#include <QObject>
#include <QString>

namespace plx71::qtui {

QMessageBox::Icon toMessageBoxIcon(Icon icon);

class QtUi : public QObject, public Ui {
    Q_OBJECT
public:
    // `caption` is the title of every box ("plx" for the writer program).
    // Construct on the GUI thread: the object lives there.
    explicit QtUi(QString caption, QObject* parent = nullptr);

    void message(Icon icon, const std::string& text) override;
    bool question(Icon icon, const std::string& text) override;
    // The reason goes into the box's detailed text ("Show Details...").
    void messageWithDetail(Icon icon, const std::string& text, const std::string& reason) override;
    // The window programs' one way to show a failed box operation: a stop
    // box with the core's wording of it, the reason as its detailed text.
    void operationFailed(const BoxOutcome& outcome, const FailureText& text) override;

    const QString& caption() const { return caption_; }

private:
    bool showBox(Icon icon, const QString& text, bool withCancel, const QString& detail = {});
    bool onOwnThread(Icon icon, const std::string& text, bool withCancel, const std::string& detail = {});

    QString caption_;
};

} // namespace plx71::qtui
