#include "plx_form_layout.hpp"

#include "field_focus.hpp"

#include "plx71/job/job_settings.hpp"
#include "plx71/link/port_names.hpp"

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
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace plx71 {

namespace {

QLabel* label(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    if (buddy) {
        l->setBuddy(buddy);
        buddy->setAccessibleName(withoutMnemonic(text));
    }
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name, int minimumWidth, bool readOnly = true)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(readOnly);
    e->setMinimumWidth(minimumWidth);
    return e;
}

// Widens a field of fixed format so that its longest text shows whole in
// the font it has now, whatever font the desktop uses.
void fitText(QLineEdit* e, const QString& longest)
{
    const int frame = 2 * e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
    const int needed = e->fontMetrics().horizontalAdvance(longest) + frame + 8;
    e->setMinimumWidth(std::max(e->minimumWidth(), needed));
}

template <std::size_t N>
QComboBox* combo(QWidget* parent, const char* name, const char* const (&items)[N])
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    for (const char* item : items)
        c->addItem(QLatin1String(item));
    return c;
}

QRadioButton* radio(QWidget* parent, const char* text, const char* name)
{
    auto* r = new QRadioButton(QLatin1String(text), parent);
    r->setObjectName(QLatin1String(name));
    r->setAccessibleName(withoutMnemonic(QLatin1String(text)));
    return r;
}

QPushButton* button(QWidget* parent, const QString& text, const char* name, const QString& accessible)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    return b;
}

QGroupBox* buildTargetBoardGroup(QWidget* form, PlxFormControls& c)
{
    auto* target = new QGroupBox(QStringLiteral("Target Board"), form);
    target->setObjectName(QStringLiteral("targetBoardGroup"));
    auto* tg = new QGridLayout(target);
    c.deviceCombo = new QComboBox(target);
    c.deviceCombo->setObjectName(QStringLiteral("deviceCombo"));
    c.deviceCombo->setMinimumWidth(200);
    c.userRomAreaText = edit(target, "userRomAreaText", 100);
    c.blockRangeText = edit(target, "blockRangeText", 55);
    c.bootRomAreaText = edit(target, "bootRomAreaText", 100);
    c.vccEdit = edit(target, "vccEdit", 60);
    c.vppEdit = edit(target, "vppEdit", 60);
    c.serialModeCombo = combo(target, "serialModeIndex", kSerialModeNames);
    c.targetBaudCombo = combo(target, "targetBaudIndex", kTargetBaudNames);
    tg->addWidget(label(target, QStringLiteral("&Device Type :"), c.deviceCombo), 0, 0);
    tg->addWidget(c.deviceCombo, 0, 1, 1, 3);
    tg->addWidget(label(target, QStringLiteral("User Rom Area :"), c.userRomAreaText), 1, 0);
    tg->addWidget(c.userRomAreaText, 1, 1);
    tg->addWidget(label(target, QStringLiteral("Block :"), c.blockRangeText), 1, 2);
    tg->addWidget(c.blockRangeText, 1, 3);
    tg->addWidget(label(target, QStringLiteral("Boot Rom Area :"), c.bootRomAreaText), 2, 0);
    tg->addWidget(c.bootRomAreaText, 2, 1);
    tg->addWidget(label(target, QStringLiteral("Vcc :"), c.vccEdit), 3, 0, Qt::AlignRight);
    tg->addWidget(c.vccEdit, 3, 1);
    tg->addWidget(label(target, QStringLiteral("Vpp :"), c.vppEdit), 3, 2);
    tg->addWidget(c.vppEdit, 3, 3);
    auto* serialLabel = label(target, QStringLiteral("&Serial Mode :"), c.serialModeCombo);
    serialLabel->setObjectName(QStringLiteral("serialModeLabel"));
    tg->addWidget(serialLabel, 0, 5);
    tg->addWidget(c.serialModeCombo, 0, 6);
    auto* rateLabel = label(target, QStringLiteral("Baud &Rate :"), c.targetBaudCombo);
    rateLabel->setObjectName(QStringLiteral("targetBaudLabel"));
    tg->addWidget(rateLabel, 1, 5);
    tg->addWidget(c.targetBaudCombo, 1, 6, Qt::AlignLeft);
    tg->setColumnMinimumWidth(4, 20);
    tg->setColumnStretch(7, 1);
    return target;
}

// The User ROM and Boot ROM rows of the Settings group.
QGridLayout* buildDataFileRows(QWidget* settings, PlxFormControls& c)
{
    auto* files = new QGridLayout;
    c.userRomFileName = edit(settings, "userRomFileName", 380);
    c.userRomSelect = button(settings, QStringLiteral("Select..."), "userRomSelectButton", QStringLiteral("Select..."));
    c.idCodeText = edit(settings, "idCodeText", 120);
    c.romProtectText = edit(settings, "romProtectText", 95);
    c.userRomChecksumText = edit(settings, "userRomChecksumText", 40);
    c.bootRomFileName = edit(settings, "bootRomFileName", 380);
    c.bootRomSelect = button(settings, QStringLiteral("Select..."), "bootRomSelectButton", QStringLiteral("Select..."));
    c.bootVersionText = edit(settings, "bootVersionText", 120);
    c.updateEnable = new QCheckBox(QStringLiteral("&Update Enable"), settings);
    c.updateEnable->setObjectName(QStringLiteral("updateEnable"));
    c.updateEnable->setAccessibleName(QStringLiteral("Update Enable"));
    c.bootRomChecksumText = edit(settings, "bootRomChecksumText", 40);

    files->addWidget(label(settings, QStringLiteral("User Rom Area :"), c.userRomFileName), 0, 0, Qt::AlignRight);
    files->addWidget(c.userRomFileName, 0, 1, 1, 5);
    files->addWidget(c.userRomSelect, 0, 6);
    files->addWidget(label(settings, QStringLiteral("ID 1-7 :"), c.idCodeText), 1, 0, Qt::AlignRight);
    files->addWidget(c.idCodeText, 1, 1);
    files->addWidget(label(settings, QStringLiteral("Rom Protect :"), c.romProtectText), 1, 2, Qt::AlignRight);
    files->addWidget(c.romProtectText, 1, 3);
    files->addWidget(label(settings, QStringLiteral("Check Sum :"), c.userRomChecksumText), 1, 4, Qt::AlignRight);
    files->addWidget(c.userRomChecksumText, 1, 5);
    files->addWidget(label(settings, QStringLiteral("Boot Rom Area :"), c.bootRomFileName), 2, 0, Qt::AlignRight);
    files->addWidget(c.bootRomFileName, 2, 1, 1, 5);
    files->addWidget(c.bootRomSelect, 2, 6);
    files->addWidget(label(settings, QStringLiteral("Version :"), c.bootVersionText), 3, 0, Qt::AlignRight);
    files->addWidget(c.bootVersionText, 3, 1);
    files->addWidget(c.updateEnable, 3, 2, 1, 2, Qt::AlignCenter);
    files->addWidget(label(settings, QStringLiteral("Check Sum :"), c.bootRomChecksumText), 3, 4, Qt::AlignRight);
    files->addWidget(c.bootRomChecksumText, 3, 5);
    return files;
}

QGroupBox* buildOperationBlockGroup(QWidget* form, QWidget* settings, PlxFormControls& c)
{
    auto* operation = new QGroupBox(QStringLiteral("Operation Block"), settings);
    operation->setObjectName(QStringLiteral("operationBlockGroup"));
    auto* oh = new QHBoxLayout(operation);
    c.operationBlockGroup = new QButtonGroup(form);
    auto* opAll = radio(operation, "All", "operationBlockAll");
    auto* opBlock = radio(operation, "Block", "operationBlockBlock");
    c.operationBlockGroup->addButton(opAll, int(OperationBlockMode::All));
    c.operationBlockGroup->addButton(opBlock, int(OperationBlockMode::Block));
    c.operationBlockList = edit(operation, "operationBlockList", 110, false);
    c.operationBlockList->setAccessibleName(QStringLiteral("Operation Block list"));
    oh->addWidget(opAll);
    oh->addWidget(opBlock);
    oh->addWidget(c.operationBlockList);
    oh->addWidget(new QLabel(QStringLiteral("Example)  0,2-4"), operation));
    return operation;
}

QGroupBox* buildLockBitGroup(QWidget* form, QWidget* settings, PlxFormControls& c)
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
    c.lockBlockList = edit(lock, "lockBlockList", 95, false);
    c.lockBlockList->setAccessibleName(QStringLiteral("Lock Bit Block list"));
    lh->addWidget(c.lockBlockList);
    lh->addWidget(new QLabel(QStringLiteral("Example)  0-2,4"), lock));
    return lock;
}

QGroupBox* buildSettingsGroup(QWidget* form, PlxFormControls& c)
{
    auto* settings = new QGroupBox(QStringLiteral("Settings"), form);
    settings->setObjectName(QStringLiteral("settingsGroup"));
    auto* sv = new QVBoxLayout(settings);
    sv->addLayout(buildDataFileRows(settings, c));

    auto* opRow = new QHBoxLayout;
    opRow->addWidget(buildOperationBlockGroup(form, settings, c));
    auto* checkIdColumn = new QVBoxLayout;
    c.checkIdText = edit(settings, "checkIdText", 120, false);
    auto* checkIdLabel = label(settings, QStringLiteral("Check &ID 1-7 :"), c.checkIdText);
    checkIdLabel->setObjectName(QStringLiteral("checkIdLabel"));
    checkIdColumn->addWidget(checkIdLabel);
    checkIdColumn->addWidget(c.checkIdText);
    opRow->addSpacing(20);
    opRow->addLayout(checkIdColumn);
    opRow->addStretch(1);
    sv->addLayout(opRow);

    auto* lockRow = new QHBoxLayout;
    lockRow->addWidget(buildLockBitGroup(form, settings, c));
    lockRow->addStretch(1);
    sv->addLayout(lockRow);
    return settings;
}

// The RS-232C group and, beside it, Upload and Download.
QHBoxLayout* buildRs232cRow(QWidget* form, PlxFormControls& c)
{
    auto* bottom = new QHBoxLayout;
    auto* rs = new QGroupBox(QStringLiteral("RS-232C"), form);
    rs->setObjectName(QStringLiteral("rs232cGroup"));
    auto* rh = new QHBoxLayout(rs);
    c.portCombo = combo(rs, "portSelection", kPortNames);
    // Which device each COM name opens (PLX71_COMn, the station file or the
    // system's own), so a line station can tell its boxes apart.
    for (int i = 0; i < c.portCombo->count(); ++i)
        c.portCombo->setItemData(i, QString::fromStdString(portDeviceName(i)), Qt::ToolTipRole);
    c.hostBaudCombo = combo(rs, "hostBaudSelection", kHostBaudNames);
    rh->addWidget(label(rs, QStringLiteral("&Port :"), c.portCombo));
    rh->addWidget(c.portCombo);
    rh->addSpacing(20);
    rh->addWidget(label(rs, QStringLiteral("&Baud Rate :"), c.hostBaudCombo));
    rh->addWidget(c.hostBaudCombo);
    bottom->addWidget(rs);
    bottom->addStretch(1);
    c.upload = button(form, QStringLiteral("Upload\nPLX -> PC"), "uploadButton", QStringLiteral("Upload PLX -> PC"));
    c.download = button(form, QStringLiteral("Download\nPLX <- PC"), "downloadButton", QStringLiteral("Download PLX <- PC"));
    for (QPushButton* b : {c.upload, c.download}) {
        b->setMinimumSize(115, 42);
        bottom->addWidget(b, 0, Qt::AlignBottom);
    }
    return bottom;
}

// The voltages in a large bold font: one and a half times the height.
void enlargeVoltageFont(const PlxFormControls& c)
{
    QFont big = c.vccEdit->font();
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() + big.pointSizeF() / 2);
    else
        big.setPixelSize(big.pixelSize() + big.pixelSize() / 2);
    big.setWeight(QFont::Black);
    c.vccEdit->setFont(big);
    c.vppEdit->setFont(big);
}

void fitFieldsToTheirTexts(const PlxFormControls& c)
{
    const QString hexId = QStringLiteral("DD,DD,DD,DD,DD,DD,DD");
    const QString area = QStringLiteral("0DDDDD-0DDDDD");
    for (QLineEdit* e : {c.userRomAreaText, c.bootRomAreaText})
        fitText(e, area);
    fitText(c.blockRangeText, QStringLiteral("0-6"));
    for (QLineEdit* e : {c.vccEdit, c.vppEdit})
        fitText(e, QStringLiteral("12.0V"));
    for (QLineEdit* e : {c.idCodeText, c.checkIdText})
        fitText(e, hexId);
    fitText(c.romProtectText, QStringLiteral("Level 2 protect enabled"));
    for (QLineEdit* e : {c.userRomChecksumText, c.bootRomChecksumText})
        fitText(e, QStringLiteral("DDDD"));
    fitText(c.bootVersionText, QStringLiteral("WWWWWWWW"));
}

} // namespace

PlxFormControls buildPlxForm(QWidget* form)
{
    PlxFormControls c;
    auto* outer = new QVBoxLayout(form);
    outer->addWidget(buildTargetBoardGroup(form, c));
    outer->addWidget(buildSettingsGroup(form, c));
    outer->addLayout(buildRs232cRow(form, c));
    enlargeVoltageFont(c);
    fitFieldsToTheirTexts(c);
    return c;
}

void setFieldText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace plx71
