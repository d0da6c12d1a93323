#include "about_dlg.hpp"

#include "field_focus.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace plx71 {

namespace {

QLineEdit* versionRow(QWidget* parent, QGridLayout* grid, int row, const QString& label, const QString& name,
                      const QString& text)
{
    auto* l = new QLabel(label, parent);
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setAccessibleName(withoutMnemonic(label));
    edit->setMinimumWidth(150);
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

} // namespace

CAboutDlg::CAboutDlg(const QString& controlProgramVersion, const QString& firmwareVersion, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QStringLiteral("About PLX-71RD"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    controlProgram_ = versionRow(this, grid, 0, QStringLiteral("Control Program Version :"),
                                 QStringLiteral("controlProgramVersion"), controlProgramVersion);
    firmware_ = versionRow(this, grid, 1, QStringLiteral("Firmware Version :"), QStringLiteral("firmwareVersion"),
                           firmwareVersion);
    outer->addLayout(grid);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setDefault(true);
    row->addWidget(ok);
    outer->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace plx71
