#include "rom_edit_dlg.hpp"

#include "address_input_dlg.hpp"
#include "chevron_icons.hpp"
#include "data_input_dlg.hpp"
#include "dump_list_ctrl.hpp"
#include "dump_rows.hpp"
#include "field_focus.hpp"
#include "memory_clear_dlg.hpp"
#include "saving_dlg.hpp"

#include "plx71/messages/message_texts.hpp"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace plx71 {

namespace {

QLineEdit* infoField(QWidget* parent, QGridLayout* grid, int row, const QString& label, const QString& name,
                     const QString& text, int minimumWidth)
{
    auto* l = new QLabel(label, parent);
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setAccessibleName(withoutMnemonic(label));
    edit->setMinimumWidth(minimumWidth);
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1, Qt::AlignLeft);
    return edit;
}

QPushButton* commandButton(QWidget* parent, const QString& text, const QString& name)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAccessibleName(text);
    b->setAutoDefault(false);
    return b;
}

struct PagingButton {
    ChevronDirection direction;
    int chevrons;
    std::uint32_t step;
    const char* name;
    const char* accessible;
};

constexpr std::array<PagingButton, 6> kPaging{{
    {ChevronDirection::Up, 3, 0x10000, "threeUpButton", "Up 10000"},
    {ChevronDirection::Up, 2, 0x1000, "twoUpButton", "Up 1000"},
    {ChevronDirection::Up, 1, 0x100, "oneUpButton", "Up 100"},
    {ChevronDirection::Down, 1, 0x100, "oneDownButton", "Down 100"},
    {ChevronDirection::Down, 2, 0x1000, "twoDownButton", "Down 1000"},
    {ChevronDirection::Down, 3, 0x10000, "threeDownButton", "Down 10000"},
}};

} // namespace

CRomEditDlg::CRomEditDlg(WriterSession& session, Area area, const RomEditInfo& info, QWidget* parent)
    : QDialog(parent), session_(session), copy_(session.state, area)
{
    setObjectName(QStringLiteral("CRomEditDlg"));
    setWindowTitle(QStringLiteral("Edit"));
    setModal(true);

    auto* outer = new QVBoxLayout(this);
    auto* information = new QGroupBox(QStringLiteral("Information"), this);
    information->setObjectName(QStringLiteral("informationGroup"));
    auto* grid = new QGridLayout(information);
    infoField(information, grid, 0, QStringLiteral("Device Type :"), QStringLiteral("deviceTypeText"),
              info.deviceTypeText, 140);
    infoField(information, grid, 1, QStringLiteral("Program File :"), QStringLiteral("programFileText"),
              info.programFileText, 370);
    infoField(information, grid, 2, QStringLiteral("Rom Area :"), QStringLiteral("romAreaText"), info.romAreaText, 140);
    infoField(information, grid, 3, QStringLiteral("Address :"), QStringLiteral("addressRangeText"),
              info.addressRangeText, 140);
    grid->setColumnStretch(1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(information, 1);
    top->addSpacing(30);
    outer->addLayout(top);

    auto* middle = new QHBoxLayout;
    list_ = new CDumpListCtrl(this);
    middle->addWidget(list_);
    auto* pagingColumn = new QVBoxLayout;
    pagingColumn->addSpacing(10);
    for (std::size_t i = 0; i < kPaging.size(); ++i) {
        const PagingButton& paging = kPaging[i];
        auto* b = new QPushButton(this);
        b->setObjectName(QLatin1String(paging.name));
        b->setAccessibleName(QLatin1String(paging.accessible));
        b->setIcon(QIcon(chevronPixmap(paging.direction, paging.chevrons)));
        b->setIconSize(QSize(kChevronWidth, kChevronHeight));
        // No narrower than the style's frame around the picture needs.
        b->setFixedSize(QSize(kChevronWidth + 8, kChevronHeight + 20).expandedTo(b->minimumSizeHint()));
        b->setAutoDefault(false);
        pagingColumn->addWidget(b);
        paging_[i] = b;
        const bool back = paging.direction == ChevronDirection::Up;
        const std::uint32_t step = paging.step;
        connect(b, &QPushButton::clicked, this, [this, back, step] {
            back ? copy_.pageBack(step) : copy_.pageForward(step);
            fillPage();
        });
    }
    pagingColumn->addStretch(1);
    middle->addLayout(pagingColumn);
    outer->addLayout(middle);

    auto* buttons = new QHBoxLayout;
    auto* address = commandButton(this, QStringLiteral("Address"), QStringLiteral("addressButton"));
    auto* modify = commandButton(this, QStringLiteral("Modify"), QStringLiteral("modifyButton"));
    auto* clear = commandButton(this, QStringLiteral("Clear"), QStringLiteral("clearButton"));
    auto* save = commandButton(this, QStringLiteral("Save"), QStringLiteral("saveButton"));
    auto* ok = commandButton(this, QStringLiteral("OK"), QStringLiteral("okButton"));
    auto* cancel = commandButton(this, QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    ok->setDefault(true);
    for (QPushButton* b : {address, modify, clear, save})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    connect(address, &QPushButton::clicked, this, &CRomEditDlg::onAddress);
    connect(modify, &QPushButton::clicked, this, &CRomEditDlg::onModify);
    connect(clear, &QPushButton::clicked, this, &CRomEditDlg::onClear);
    connect(save, &QPushButton::clicked, this, &CRomEditDlg::onSave);
    connect(ok, &QPushButton::clicked, this, &CRomEditDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CRomEditDlg::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    fillPage();
}

void CRomEditDlg::fillPage()
{
    list_->showRows(dumpRows(copy_, list_->countPerPage()));
}

void CRomEditDlg::onAddress()
{
    CAddressInputDlg dialog(*session_.ui, copy_.range(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    copy_.jumpTo(dialog.address);
    fillPage();
}

void CRomEditDlg::onModify()
{
    CDataInputDlg dialog(*session_.ui, copy_.range(), this);
    dialog.addressEdit()->setText(QString::number(copy_.editAddress(), 16));
    if (dialog.exec() != QDialog::Accepted)
        return;
    copy_.modify(dialog.address, dialog.data);
    fillPage();
}

void CRomEditDlg::onClear()
{
    if (copy_.area() == Area::BootRom) {
        if (!session_.ui->question(Icon::Question, std::string(msg::kClearOk)))
            return;
        copy_.fillAll();
    } else {
        CMemoryClearDlg dialog(*session_.ui, session_.state.currentDevice.lastBlock, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        copy_.fillBlocks(dialog.blockMask, dialog.data, session_.state.areaTables);
    }
    fillPage();
}

void CRomEditDlg::onSave()
{
    auto target = session_.chooseSaveTarget(this, copy_.area(), copy_.range());
    if (!target || target->path.isEmpty())
        return;
    CSavingDlg saving(*session_.ui, target->path,
                      copy_.saveRequest(deviceFamily(session_.state.currentDevice), std::move(target->ranges)), this);
    saving.exec();
}

void CRomEditDlg::accept()
{
    copy_.writeBack(session_.state);
    QDialog::accept();
}

} // namespace plx71
