#include "input_dialog_layout.hpp"

#include "field_focus.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace plx71 {

void buildInputDialog(QDialog* dialog, const QString& title, const std::vector<InputRow>& rows)
{
    dialog->setWindowTitle(title);
    dialog->setModal(true);
    auto* outer = new QHBoxLayout(dialog);
    auto* grid = new QGridLayout;
    int row = 0;
    for (const InputRow& r : rows) {
        auto* label = new QLabel(r.label, dialog);
        label->setBuddy(r.edit);
        r.edit->setAccessibleName(withoutMnemonic(r.label));
        r.edit->setMinimumWidth(90);
        grid->addWidget(label, row, 0);
        grid->addWidget(r.edit, row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
    outer->addLayout(grid, 1);

    auto* buttons = new QVBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    cancel->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    outer->addLayout(buttons);
    if (!rows.empty())
        new SelectPresetOnShow(dialog, rows.front().edit);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

} // namespace plx71
