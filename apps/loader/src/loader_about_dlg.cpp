#include "loader_about_dlg.hpp"

#include "loader_icon.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace plx71 {

CLoaderAboutDlg::CLoaderAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CLoaderAboutDlg"));
    setWindowTitle(QStringLiteral("About RmqLdr"));
    setModal(true);

    auto* outer = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setAccessibleName(QStringLiteral("Program icon"));
    icon->setPixmap(loaderIcon().pixmap(32, 32));
    outer->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    auto* version = new QLabel(QStringLiteral("RmqLdr Version 1.0"), this);
    version->setObjectName(QStringLiteral("versionText"));
    version->setAccessibleName(version->text());
    texts->addWidget(version);
    auto* purpose = new QLabel(QStringLiteral("Firmware down loader for the PLX-71RD writer box"), this);
    purpose->setObjectName(QStringLiteral("purposeText"));
    purpose->setAccessibleName(purpose->text());
    texts->addWidget(purpose);
    texts->addStretch(1);
    outer->addLayout(texts, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setDefault(true);
    outer->addWidget(ok, 0, Qt::AlignTop);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace plx71
