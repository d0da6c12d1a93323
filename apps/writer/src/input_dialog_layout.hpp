#pragma once
// The common shape of the editor's small input dialogs: labelled edits on
// the left, OK above Cancel on the right.
#include <QDialog>
#include <QLineEdit>
#include <QString>

#include <utility>
#include <vector>

class QPushButton;

namespace plx71 {

struct InputRow {
    QString label;   // "&Address :"
    QLineEdit* edit; // already named
};

// Lays out the rows and the two buttons; OK is the default button and runs
// the dialog's accept(), Cancel its reject(). The dialog opens with the
// first row's text selected.
void buildInputDialog(QDialog* dialog, const QString& title, const std::vector<InputRow>& rows);

} // namespace plx71
