#include "plx_form_layout.hpp"

#include "form_widgets.hpp"

#include "plx71/job/job_settings.hpp"
#include "plx71/port/port_names.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace plx71 {

namespace {

using namespace form_widgets;

QGroupBox* buildTargetBoardGroup(QWidget* form, const TemplateSizer& s, PlxFormControls& c)
{
    auto* target = new QGroupBox(QStringLiteral("Target Board"), form);
    target->setObjectName(QStringLiteral("targetBoardGroup"));
    auto* tg = new QGridLayout(target);
    c.deviceCombo = new QComboBox(target);
    c.deviceCombo->setObjectName(QStringLiteral("deviceCombo"));
    s.fixed(c.deviceCombo, 130);
    const QString area = QStringLiteral("0#####-0#####");
    c.userRomAreaText = edit(target, "userRomAreaText");
    s.fixed(c.userRomAreaText, 60, area);
    c.blockRangeText = edit(target, "blockRangeText");
    s.fixed(c.blockRangeText, 35, QStringLiteral("0-6"));
    c.bootRomAreaText = edit(target, "bootRomAreaText");
    s.fixed(c.bootRomAreaText, 60, area);
    c.vccEdit = edit(target, "vccEdit");
    c.vppEdit = edit(target, "vppEdit");
    for (QLineEdit* e : {c.vccEdit, c.vppEdit}) {
        enlargeFont(e);
        s.fixed(e, 35, QStringLiteral("12.0V"));
    }
    c.serialModeCombo = combo(target, "serialModeIndex", kSerialModeNames);
    s.fixed(c.serialModeCombo, 90);
    c.targetBaudCombo = combo(target, "targetBaudIndex", kTargetBaudNames);
    s.fixed(c.targetBaudCombo, 50);

    tg->addWidget(label(target, QStringLiteral("&Device Type :"), c.deviceCombo), 0, 0);
    tg->addWidget(c.deviceCombo, 0, 1, 1, 3, kLeft);
    tg->addWidget(label(target, QStringLiteral("User Rom Area :"), c.userRomAreaText), 1, 0);
    tg->addWidget(c.userRomAreaText, 1, 1, kLeft);
    tg->addWidget(label(target, QStringLiteral("Block :"), c.blockRangeText), 1, 2);
    tg->addWidget(c.blockRangeText, 1, 3, kLeft);
    tg->addWidget(label(target, QStringLiteral("Boot Rom Area :"), c.bootRomAreaText), 2, 0);
    tg->addWidget(c.bootRomAreaText, 2, 1, kLeft);
    tg->addWidget(label(target, QStringLiteral("Vcc :"), c.vccEdit), 3, 0, kRight);
    tg->addWidget(c.vccEdit, 3, 1, kLeft);
    tg->addWidget(label(target, QStringLiteral("Vpp :"), c.vppEdit), 3, 2);
    tg->addWidget(c.vppEdit, 3, 3, kLeft);
    auto* serialLabel = label(target, QStringLiteral("&Serial Mode :"), c.serialModeCombo);
    serialLabel->setObjectName(QStringLiteral("serialModeLabel"));
    tg->addWidget(serialLabel, 0, 5);
    tg->addWidget(c.serialModeCombo, 0, 6, kLeft);
    auto* rateLabel = label(target, QStringLiteral("Baud &Rate :"), c.targetBaudCombo);
    rateLabel->setObjectName(QStringLiteral("targetBaudLabel"));
    tg->addWidget(rateLabel, 1, 5);
    tg->addWidget(c.targetBaudCombo, 1, 6, kLeft);
    s.rows(tg, {20, 15, 15, 18});
    tg->setColumnMinimumWidth(4, s.x(20));
    tg->setColumnStretch(7, 1);
    return target;
}

// The User ROM and Boot ROM rows of the Settings group. The file names end
// where the checksums end, and stretch with the window.
QGridLayout* buildDataFileRows(QWidget* settings, const TemplateSizer& s, PlxFormControls& c)
{
    auto* files = new QGridLayout;
    const QString hexId = QStringLiteral("##,##,##,##,##,##,##");
    const QString checksum = QStringLiteral("####");
    c.userRomFileName = edit(settings, "userRomFileName");
    s.stretching(c.userRomFileName, 250);
    c.userRomSelect = button(settings, QStringLiteral("Select..."), "userRomSelectButton", QStringLiteral("Select..."));
    c.idCodeText = edit(settings, "idCodeText");
    s.fixed(c.idCodeText, 75, hexId);
    c.romProtectText = edit(settings, "romProtectText");
    s.fixed(c.romProtectText, 57, QStringLiteral("Level 2 protect enabled"));
    c.userRomChecksumText = edit(settings, "userRomChecksumText");
    s.fixed(c.userRomChecksumText, 21, checksum);
    c.bootRomFileName = edit(settings, "bootRomFileName");
    s.stretching(c.bootRomFileName, 250);
    c.bootRomSelect = button(settings, QStringLiteral("Select..."), "bootRomSelectButton", QStringLiteral("Select..."));
    c.bootVersionText = edit(settings, "bootVersionText");
    s.fixed(c.bootVersionText, 75, QStringLiteral("WWWWWWWW"));
    c.updateEnable = new QCheckBox(QStringLiteral("&Update Enable"), settings);
    c.updateEnable->setObjectName(QStringLiteral("updateEnable"));
    c.updateEnable->setAccessibleName(QStringLiteral("Update Enable"));
    c.bootRomChecksumText = edit(settings, "bootRomChecksumText");
    s.fixed(c.bootRomChecksumText, 21, checksum);
    for (QPushButton* b : {c.userRomSelect, c.bootRomSelect})
        s.atLeast(b, 50, 0);

    files->addWidget(label(settings, QStringLiteral("User Rom Area :"), c.userRomFileName), 0, 0, kRight);
    files->addWidget(c.userRomFileName, 0, 1, 1, 5);
    files->addWidget(c.userRomSelect, 0, 6);
    files->addWidget(label(settings, QStringLiteral("ID 1-7 :"), c.idCodeText), 1, 0, kRight);
    files->addWidget(c.idCodeText, 1, 1, kLeft);
    files->addWidget(label(settings, QStringLiteral("Rom Protect :"), c.romProtectText), 1, 2, kRight);
    files->addWidget(c.romProtectText, 1, 3, kLeft);
    files->addWidget(label(settings, QStringLiteral("Check Sum :"), c.userRomChecksumText), 1, 4, kRight);
    files->addWidget(c.userRomChecksumText, 1, 5, kLeft);
    files->addWidget(label(settings, QStringLiteral("Boot Rom Area :"), c.bootRomFileName), 2, 0, kRight);
    files->addWidget(c.bootRomFileName, 2, 1, 1, 5);
    files->addWidget(c.bootRomSelect, 2, 6);
    files->addWidget(label(settings, QStringLiteral("Version :"), c.bootVersionText), 3, 0, kRight);
    files->addWidget(c.bootVersionText, 3, 1, kLeft);
    files->addWidget(c.updateEnable, 3, 2, 1, 2, Qt::AlignCenter);
    files->addWidget(label(settings, QStringLiteral("Check Sum :"), c.bootRomChecksumText), 3, 4, kRight);
    files->addWidget(c.bootRomChecksumText, 3, 5, kLeft);
    s.rows(files, {16, 20, 16, 19});
    // A wider window widens the file names; the gap after ID takes it.
    files->setColumnStretch(2, 1);
    return files;
}

QGroupBox* buildOperationBlockGroup(QWidget* form, QWidget* settings, const TemplateSizer& s, PlxFormControls& c)
{
    auto* operation = new QGroupBox(QStringLiteral("Operation Block"), settings);
    operation->setObjectName(QStringLiteral("operationBlockGroup"));
    auto* oh = new QHBoxLayout(operation);
    c.operationBlockGroup = new QButtonGroup(form);
    auto* opAll = radio(operation, "All", "operationBlockAll");
    auto* opBlock = radio(operation, "Block", "operationBlockBlock");
    c.operationBlockGroup->addButton(opAll, int(OperationBlockMode::All));
    c.operationBlockGroup->addButton(opBlock, int(OperationBlockMode::Block));
    c.operationBlockList = edit(operation, "operationBlockList", false);
    s.fixed(c.operationBlockList, 70, QStringLiteral("0,2-4"));
    c.operationBlockList->setAccessibleName(QStringLiteral("Operation Block list"));
    oh->addWidget(opAll);
    oh->addWidget(opBlock);
    oh->addWidget(c.operationBlockList);
    oh->addWidget(new QLabel(QStringLiteral("Example)  0,2-4"), operation));
    s.atLeast(operation, 0, 35);
    return operation;
}

QGroupBox* buildLockBitGroup(QWidget* form, QWidget* settings, const TemplateSizer& s, PlxFormControls& c)
{
    auto* lock = new QGroupBox(QStringLiteral("Lock Bit after Program"), settings);
    lock->setObjectName(QStringLiteral("lockBitGroup"));
    auto* lh = new QHBoxLayout(lock);
    c.lockBitGroup = new QButtonGroup(form);
    struct Choice {
        const char* text;
        const char* name;
        LockBitMode mode;
    };
    const std::array<Choice, 4> choices{{{"No Change", "lockBitNoChange", LockBitMode::NoChange},
                                         {"All Lock", "lockBitAllLock", LockBitMode::AllLock},
                                         {"All No Lock", "lockBitAllNoLock", LockBitMode::AllNoLock},
                                         {"Block", "lockBitBlock", LockBitMode::Block}}};
    for (const Choice& choice : choices) {
        auto* r = radio(lock, choice.text, choice.name);
        c.lockBitGroup->addButton(r, int(choice.mode));
        lh->addWidget(r);
    }
    c.lockBlockList = edit(lock, "lockBlockList", false);
    s.fixed(c.lockBlockList, 60, QStringLiteral("0-2,4"));
    c.lockBlockList->setAccessibleName(QStringLiteral("Lock Bit Block list"));
    lh->addWidget(c.lockBlockList);
    lh->addWidget(new QLabel(QStringLiteral("Example)  0-2,4"), lock));
    s.atLeast(lock, 0, 35);
    return lock;
}

QGroupBox* buildSettingsGroup(QWidget* form, const TemplateSizer& s, PlxFormControls& c)
{
    auto* settings = new QGroupBox(QStringLiteral("Settings"), form);
    settings->setObjectName(QStringLiteral("settingsGroup"));
    auto* sv = new QVBoxLayout(settings);
    sv->setSpacing(s.y(5));
    sv->addLayout(buildDataFileRows(settings, s, c));

    auto* opRow = new QHBoxLayout;
    opRow->addWidget(buildOperationBlockGroup(form, settings, s, c));
    auto* checkIdColumn = new QVBoxLayout;
    c.checkIdText = edit(settings, "checkIdText", false);
    s.fixed(c.checkIdText, 75, QStringLiteral("##,##,##,##,##,##,##"));
    auto* checkIdLabel = label(settings, QStringLiteral("Check &ID 1-7 :"), c.checkIdText);
    checkIdLabel->setObjectName(QStringLiteral("checkIdLabel"));
    checkIdColumn->addWidget(checkIdLabel);
    checkIdColumn->addWidget(c.checkIdText);
    opRow->addSpacing(s.x(20));
    opRow->addLayout(checkIdColumn);
    opRow->addStretch(1);
    sv->addLayout(opRow);

    auto* lockRow = new QHBoxLayout;
    lockRow->addWidget(buildLockBitGroup(form, settings, s, c));
    lockRow->addStretch(1);
    sv->addLayout(lockRow);
    return settings;
}

// The RS-232C group and, at the right, Upload and Download.
QHBoxLayout* buildRs232cRow(QWidget* form, const TemplateSizer& s, PlxFormControls& c)
{
    auto* bottom = new QHBoxLayout;
    auto* rs = new QGroupBox(QStringLiteral("RS-232C"), form);
    rs->setObjectName(QStringLiteral("rs232cGroup"));
    auto* rh = new QHBoxLayout(rs);
    c.portCombo = combo(rs, "portSelection", kPortNames);
    s.fixed(c.portCombo, 50);
    // Which device each COM name opens (PLX71_COMn, the station file or the
    // operating system's), so a line station can tell its boxes apart.
    for (int i = 0; i < c.portCombo->count(); ++i)
        c.portCombo->setItemData(i, QString::fromStdString(portDeviceName(i)), Qt::ToolTipRole);
    c.hostBaudCombo = combo(rs, "hostBaudSelection", kLinkRateNames);
    s.fixed(c.hostBaudCombo, 50);
    rh->addWidget(label(rs, QStringLiteral("&Port :"), c.portCombo));
    rh->addWidget(c.portCombo);
    rh->addSpacing(s.x(15));
    rh->addWidget(label(rs, QStringLiteral("&Baud Rate :"), c.hostBaudCombo));
    rh->addWidget(c.hostBaudCombo);
    s.atLeast(rs, 0, 35);
    bottom->addWidget(rs);
    bottom->addStretch(1);
    c.upload = button(form, QStringLiteral("Upload\nPLX -> PC"), "uploadButton", QStringLiteral("Upload PLX -> PC"));
    c.download =
        button(form, QStringLiteral("Download\nPLX <- PC"), "downloadButton", QStringLiteral("Download PLX <- PC"));
    for (QPushButton* b : {c.upload, c.download}) {
        s.atLeast(b, 70, 25);
        bottom->addWidget(b, 0, Qt::AlignBottom);
    }
    return bottom;
}

} // namespace

PlxFormControls buildPlxForm(QWidget* form)
{
    PlxFormControls c;
    const TemplateSizer s(form->font());
    auto* outer = new QVBoxLayout(form);
    outer->setSpacing(s.y(5));
    outer->addWidget(buildTargetBoardGroup(form, s, c));
    outer->addWidget(buildSettingsGroup(form, s, c));
    // A taller window keeps the groups together and the buttons at the bottom.
    outer->addStretch(1);
    outer->addLayout(buildRs232cRow(form, s, c));
    return c;
}

void setFieldText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace plx71
