#include "plx_view.hpp"

#include "field_focus.hpp"
#include "rom_edit_dlg.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/ui/messages.hpp"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace plx71 {

namespace {

// The busy cursor for the length of a command.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Writes a text only when it differs, so the caret of a field being typed
// in stays where it is.
void setText(QLineEdit* edit, const std::string& text)
{
    const QString q = qs(text);
    if (edit->text() != q)
        edit->setText(q);
}

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

} // namespace

CPlxView::CPlxView(WriterSession& session, QWidget* parent) : QWidget(parent), session_(session)
{
    setObjectName(QStringLiteral("CPlxView"));
    buildForm();

    for (const DeviceRecord& d : session_.state.deviceTable.records)
        deviceCombo_->addItem(qs(d.name));
    deviceCombo_->setCurrentIndex(-1);
    session_.state.deviceIndex = -1;

    // The serial mode is kept in the project only; the writer box takes
    // none, so the user never changes it.
    serialModeCombo_->setEnabled(false);

    // The voltages in a large bold font: one and a half times the height.
    QFont big = vccEdit_->font();
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() + big.pointSizeF() / 2);
    else
        big.setPixelSize(big.pixelSize() + big.pixelSize() / 2);
    big.setWeight(QFont::Black);
    vccEdit_->setFont(big);
    vppEdit_->setFont(big);
    fitFieldsToTheirTexts();

    connect(deviceCombo_, &QComboBox::activated, this, &CPlxView::onDeviceTypeChanged);
    connect(portCombo_, &QComboBox::activated, this, &CPlxView::onPortChanged);
    connect(userRomSelect_, &QPushButton::clicked, this, &CPlxView::onSelectUserRomFile);
    connect(bootRomSelect_, &QPushButton::clicked, this, &CPlxView::onSelectBootRomFile);
    connect(download_, &QPushButton::clicked, this, &CPlxView::onDownload);
    connect(upload_, &QPushButton::clicked, this, &CPlxView::onUpload);
    // Typing in a block list chooses "Block"; text put there by the program
    // (textEdited is the user's typing only) does not.
    connect(operationBlockList_, &QLineEdit::textEdited, this, [this] {
        take();
        session_.job.operationBlockMode = OperationBlockMode::Block;
        show();
    });
    connect(lockBlockList_, &QLineEdit::textEdited, this, [this] {
        take();
        session_.job.lockBitMode = LockBitMode::Block;
        show();
    });
    for (QLineEdit* e : {operationBlockList_, lockBlockList_, checkIdText_})
        e->installEventFilter(this);

    show();
    updateButtons();
}

void CPlxView::buildForm()
{
    auto* outer = new QVBoxLayout(this);

    // Target Board
    auto* target = new QGroupBox(QStringLiteral("Target Board"), this);
    target->setObjectName(QStringLiteral("targetBoardGroup"));
    auto* tg = new QGridLayout(target);
    deviceCombo_ = new QComboBox(target);
    deviceCombo_->setObjectName(QStringLiteral("deviceCombo"));
    deviceCombo_->setMinimumWidth(200);
    userRomAreaText_ = edit(target, "userRomAreaText", 100);
    blockRangeText_ = edit(target, "blockRangeText", 55);
    bootRomAreaText_ = edit(target, "bootRomAreaText", 100);
    vccEdit_ = edit(target, "vccEdit", 60);
    vppEdit_ = edit(target, "vppEdit", 60);
    serialModeCombo_ = combo(target, "serialModeIndex", kSerialModeNames);
    targetBaudCombo_ = combo(target, "targetBaudIndex", kTargetBaudNames);
    tg->addWidget(label(target, QStringLiteral("&Device Type :"), deviceCombo_), 0, 0);
    tg->addWidget(deviceCombo_, 0, 1, 1, 3);
    tg->addWidget(label(target, QStringLiteral("User Rom Area :"), userRomAreaText_), 1, 0);
    tg->addWidget(userRomAreaText_, 1, 1);
    tg->addWidget(label(target, QStringLiteral("Block :"), blockRangeText_), 1, 2);
    tg->addWidget(blockRangeText_, 1, 3);
    tg->addWidget(label(target, QStringLiteral("Boot Rom Area :"), bootRomAreaText_), 2, 0);
    tg->addWidget(bootRomAreaText_, 2, 1);
    tg->addWidget(label(target, QStringLiteral("Vcc :"), vccEdit_), 3, 0, Qt::AlignRight);
    tg->addWidget(vccEdit_, 3, 1);
    tg->addWidget(label(target, QStringLiteral("Vpp :"), vppEdit_), 3, 2);
    tg->addWidget(vppEdit_, 3, 3);
    auto* serialLabel = label(target, QStringLiteral("&Serial Mode :"), serialModeCombo_);
    serialLabel->setObjectName(QStringLiteral("serialModeLabel"));
    tg->addWidget(serialLabel, 0, 5);
    tg->addWidget(serialModeCombo_, 0, 6);
    auto* rateLabel = label(target, QStringLiteral("Baud &Rate :"), targetBaudCombo_);
    rateLabel->setObjectName(QStringLiteral("targetBaudLabel"));
    tg->addWidget(rateLabel, 1, 5);
    tg->addWidget(targetBaudCombo_, 1, 6, Qt::AlignLeft);
    tg->setColumnMinimumWidth(4, 20);
    tg->setColumnStretch(7, 1);
    outer->addWidget(target);

    // Settings
    auto* settings = new QGroupBox(QStringLiteral("Settings"), this);
    settings->setObjectName(QStringLiteral("settingsGroup"));
    auto* sv = new QVBoxLayout(settings);
    auto* files = new QGridLayout;
    userRomFileName_ = edit(settings, "userRomFileName", 380);
    userRomSelect_ = button(settings, QStringLiteral("Select..."), "userRomSelectButton", QStringLiteral("Select..."));
    idCodeText_ = edit(settings, "idCodeText", 120);
    romProtectText_ = edit(settings, "romProtectText", 95);
    userRomChecksumText_ = edit(settings, "userRomChecksumText", 40);
    bootRomFileName_ = edit(settings, "bootRomFileName", 380);
    bootRomSelect_ = button(settings, QStringLiteral("Select..."), "bootRomSelectButton", QStringLiteral("Select..."));
    bootVersionText_ = edit(settings, "bootVersionText", 120);
    updateEnable_ = new QCheckBox(QStringLiteral("&Update Enable"), settings);
    updateEnable_->setObjectName(QStringLiteral("updateEnable"));
    updateEnable_->setAccessibleName(QStringLiteral("Update Enable"));
    bootRomChecksumText_ = edit(settings, "bootRomChecksumText", 40);

    files->addWidget(label(settings, QStringLiteral("User Rom Area :"), userRomFileName_), 0, 0, Qt::AlignRight);
    files->addWidget(userRomFileName_, 0, 1, 1, 5);
    files->addWidget(userRomSelect_, 0, 6);
    files->addWidget(label(settings, QStringLiteral("ID 1-7 :"), idCodeText_), 1, 0, Qt::AlignRight);
    files->addWidget(idCodeText_, 1, 1);
    files->addWidget(label(settings, QStringLiteral("Rom Protect :"), romProtectText_), 1, 2, Qt::AlignRight);
    files->addWidget(romProtectText_, 1, 3);
    files->addWidget(label(settings, QStringLiteral("Check Sum :"), userRomChecksumText_), 1, 4, Qt::AlignRight);
    files->addWidget(userRomChecksumText_, 1, 5);
    files->addWidget(label(settings, QStringLiteral("Boot Rom Area :"), bootRomFileName_), 2, 0, Qt::AlignRight);
    files->addWidget(bootRomFileName_, 2, 1, 1, 5);
    files->addWidget(bootRomSelect_, 2, 6);
    files->addWidget(label(settings, QStringLiteral("Version :"), bootVersionText_), 3, 0, Qt::AlignRight);
    files->addWidget(bootVersionText_, 3, 1);
    files->addWidget(updateEnable_, 3, 2, 1, 2, Qt::AlignCenter);
    files->addWidget(label(settings, QStringLiteral("Check Sum :"), bootRomChecksumText_), 3, 4, Qt::AlignRight);
    files->addWidget(bootRomChecksumText_, 3, 5);
    sv->addLayout(files);

    // Operation Block and Check ID
    auto* opRow = new QHBoxLayout;
    auto* operation = new QGroupBox(QStringLiteral("Operation Block"), settings);
    operation->setObjectName(QStringLiteral("operationBlockGroup"));
    auto* oh = new QHBoxLayout(operation);
    operationBlockGroup_ = new QButtonGroup(this);
    auto* opAll = radio(operation, "All", "operationBlockAll");
    auto* opBlock = radio(operation, "Block", "operationBlockBlock");
    operationBlockGroup_->addButton(opAll, 0);
    operationBlockGroup_->addButton(opBlock, 1);
    operationBlockList_ = edit(operation, "operationBlockList", 110, false);
    operationBlockList_->setAccessibleName(QStringLiteral("Operation Block list"));
    oh->addWidget(opAll);
    oh->addWidget(opBlock);
    oh->addWidget(operationBlockList_);
    oh->addWidget(new QLabel(QStringLiteral("Example)  0,2-4"), operation));
    opRow->addWidget(operation);
    auto* checkIdColumn = new QVBoxLayout;
    checkIdText_ = edit(settings, "checkIdText", 120, false);
    auto* checkIdLabel = label(settings, QStringLiteral("Check &ID 1-7 :"), checkIdText_);
    checkIdLabel->setObjectName(QStringLiteral("checkIdLabel"));
    checkIdColumn->addWidget(checkIdLabel);
    checkIdColumn->addWidget(checkIdText_);
    opRow->addSpacing(20);
    opRow->addLayout(checkIdColumn);
    opRow->addStretch(1);
    sv->addLayout(opRow);

    // Lock Bit after Program
    auto* lockRow = new QHBoxLayout;
    auto* lock = new QGroupBox(QStringLiteral("Lock Bit after Program"), settings);
    lock->setObjectName(QStringLiteral("lockBitGroup"));
    auto* lh = new QHBoxLayout(lock);
    lockBitGroup_ = new QButtonGroup(this);
    const std::array<std::pair<const char*, const char*>, 4> lockChoices{{{"No Change", "lockBitNoChange"},
                                                                           {"All Lock", "lockBitAllLock"},
                                                                           {"All No Lock", "lockBitAllNoLock"},
                                                                           {"Block", "lockBitBlock"}}};
    for (int i = 0; i < 4; ++i) {
        auto* r = radio(lock, lockChoices[std::size_t(i)].first, lockChoices[std::size_t(i)].second);
        lockBitGroup_->addButton(r, i);
        lh->addWidget(r);
    }
    lockBlockList_ = edit(lock, "lockBlockList", 95, false);
    lockBlockList_->setAccessibleName(QStringLiteral("Lock Bit Block list"));
    lh->addWidget(lockBlockList_);
    lh->addWidget(new QLabel(QStringLiteral("Example)  0-2,4"), lock));
    lockRow->addWidget(lock);
    lockRow->addStretch(1);
    sv->addLayout(lockRow);
    outer->addWidget(settings);

    // RS-232C and the two operations
    auto* bottom = new QHBoxLayout;
    auto* rs = new QGroupBox(QStringLiteral("RS-232C"), this);
    rs->setObjectName(QStringLiteral("rs232cGroup"));
    auto* rh = new QHBoxLayout(rs);
    portCombo_ = combo(rs, "portSelection", kPortNames);
    hostBaudCombo_ = combo(rs, "hostBaudSelection", kHostBaudNames);
    rh->addWidget(label(rs, QStringLiteral("&Port :"), portCombo_));
    rh->addWidget(portCombo_);
    rh->addSpacing(20);
    rh->addWidget(label(rs, QStringLiteral("&Baud Rate :"), hostBaudCombo_));
    rh->addWidget(hostBaudCombo_);
    bottom->addWidget(rs);
    bottom->addStretch(1);
    upload_ = button(this, QStringLiteral("Upload\nPLX -> PC"), "uploadButton", QStringLiteral("Upload PLX -> PC"));
    download_ = button(this, QStringLiteral("Download\nPLX <- PC"), "downloadButton", QStringLiteral("Download PLX <- PC"));
    for (QPushButton* b : {upload_, download_}) {
        b->setMinimumSize(115, 42);
        bottom->addWidget(b, 0, Qt::AlignBottom);
    }
    outer->addLayout(bottom);
}

void CPlxView::fitFieldsToTheirTexts()
{
    const QString hexId = QStringLiteral("DD,DD,DD,DD,DD,DD,DD");
    const QString area = QStringLiteral("0DDDDD-0DDDDD");
    for (QLineEdit* e : {userRomAreaText_, bootRomAreaText_})
        fitText(e, area);
    fitText(blockRangeText_, QStringLiteral("0-6"));
    for (QLineEdit* e : {vccEdit_, vppEdit_})
        fitText(e, QStringLiteral("12.0V"));
    for (QLineEdit* e : {idCodeText_, checkIdText_})
        fitText(e, hexId);
    fitText(romProtectText_, QStringLiteral("Level 2 protect enabled"));
    for (QLineEdit* e : {userRomChecksumText_, bootRomChecksumText_})
        fitText(e, QStringLiteral("DDDD"));
    fitText(bootVersionText_, QStringLiteral("WWWWWWWW"));
}

void CPlxView::take()
{
    JobSettings& j = session_.job;
    j.serialModeIndex = serialModeCombo_->currentIndex();
    j.targetBaudIndex = targetBaudCombo_->currentIndex();
    j.updateEnable = updateEnable_->isChecked() ? 1 : 0;
    j.operationBlockMode = OperationBlockMode(std::max(operationBlockGroup_->checkedId(), 0));
    j.operationBlockList = operationBlockList_->text().toStdString();
    j.checkIdText = checkIdText_->text().toStdString();
    j.lockBitMode = LockBitMode(std::max(lockBitGroup_->checkedId(), 0));
    j.lockBlockList = lockBlockList_->text().toStdString();
    j.portSelection = portCombo_->currentIndex();
    j.hostBaudSelection = hostBaudCombo_->currentIndex();
}

void CPlxView::show()
{
    const JobSettings& j = session_.job;
    setText(userRomAreaText_, j.userRomAreaText);
    setText(blockRangeText_, j.blockRangeText);
    setText(bootRomAreaText_, j.bootRomAreaText);
    setText(vccEdit_, j.vccText);
    setText(vppEdit_, j.vppText);
    serialModeCombo_->setCurrentIndex(j.serialModeIndex);
    targetBaudCombo_->setCurrentIndex(j.targetBaudIndex);
    setText(userRomFileName_, j.userRomFileName);
    setText(idCodeText_, j.idCodeText);
    setText(romProtectText_, j.romProtectText);
    setText(userRomChecksumText_, j.userRomChecksumText);
    setText(bootRomFileName_, j.bootRomFileName);
    setText(bootVersionText_, j.bootVersionText);
    updateEnable_->setChecked(j.updateEnable != 0);
    setText(bootRomChecksumText_, j.bootRomChecksumText);
    if (QAbstractButton* b = operationBlockGroup_->button(int(j.operationBlockMode)))
        b->setChecked(true);
    setText(operationBlockList_, j.operationBlockList);
    setText(checkIdText_, j.checkIdText);
    if (QAbstractButton* b = lockBitGroup_->button(int(j.lockBitMode)))
        b->setChecked(true);
    setText(lockBlockList_, j.lockBlockList);
    portCombo_->setCurrentIndex(j.portSelection);
    hostBaudCombo_->setCurrentIndex(j.hostBaudSelection);
}

bool CPlxView::takeForCommand()
{
    take();
    JobSettings& j = session_.job;
    // An empty Check ID keeps the bytes it had, as when the field is left.
    if (j.checkIdText.empty())
        return true;
    if (parseCheckId(j.checkIdText, j.idCode))
        return true;
    session_.ui->message(Icon::Exclamation, std::string(msg::kInvalidIdNumber));
    pending_.clear();
    refocusing_ = true;
    refocusAndSelect(checkIdText_);
    refocusing_ = false;
    return false;
}

void CPlxView::updateButtons(bool refreshDownload)
{
    // Nothing can be loaded or sent without a device type.
    const bool device = session_.state.deviceIndex != -1 && deviceCombo_->currentIndex() != -1;
    userRomSelect_->setEnabled(device);
    bootRomSelect_->setEnabled(device);
    if (refreshDownload)
        download_->setEnabled(device && canDownload(session_.state, session_.job));
}

void CPlxView::selectDeviceInList()
{
    const int index = session_.state.deviceIndex;
    deviceCombo_->setCurrentIndex(index >= 0 && index < deviceCombo_->count() ? index : -1);
}

bool CPlxView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        auto* e = qobject_cast<QLineEdit*>(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Leaving the window (another program, a menu) is not leaving the field.
        if (e && !refocusing_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !pending_.contains(e)) {
            pending_.insert(e);
            QTimer::singleShot(0, this, [this, e] { checkAfterFocusLeft(e); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CPlxView::checkAfterFocusLeft(QLineEdit* edit)
{
    if (!pending_.remove(edit))
        return;
    // The user came back to the field, or the program is not in front.
    if (edit->hasFocus() || !QGuiApplication::focusWindow())
        return;
    checkField(edit);
}

bool CPlxView::flushPendingChecks()
{
    const QSet<QLineEdit*> waiting = pending_;
    pending_.clear();
    for (QLineEdit* e : {operationBlockList_, lockBlockList_, checkIdText_}) {
        if (waiting.contains(e) && !checkField(e))
            return false;
    }
    return true;
}

bool CPlxView::checkField(QLineEdit* edit)
{
    take();
    JobSettings& j = session_.job;
    bool valid = true;
    std::string_view message;
    if (edit == checkIdText_) {
        if (j.checkIdText.empty())
            return true;
        valid = parseCheckId(j.checkIdText, j.idCode);
        message = msg::kInvalidIdNumber;
    } else {
        const std::string& text = edit == operationBlockList_ ? j.operationBlockList : j.lockBlockList;
        if (text.empty())
            return true;
        const int lastBlock = session_.state.currentDevice.lastBlock;
        std::uint32_t scratch = 0;
        valid = lastBlock >= 0 && parseBlockList(text, 0, lastBlock, scratch);
        message = msg::kInvalidBlockNumber;
    }
    if (valid)
        return true;
    session_.ui->message(Icon::Exclamation, std::string(message));
    // The user goes back to this field: the field the focus leaves now is
    // not being left by the user, and checks still waiting are dropped, so
    // two refused fields never pass the focus back and forth.
    pending_.clear();
    refocusing_ = true;
    refocusAndSelect(edit);
    refocusing_ = false;
    show();
    return false;
}

void CPlxView::onDeviceTypeChanged(int index)
{
    if (index < 0)
        return;
    take();
    selectDevice(session_.state, session_.job, index);
    show();
    updateButtons();
}

void CPlxView::onSelectUserRomFile()
{
    if (!flushPendingChecks())
        return;
    const QString path = session_.chooseFile(
        this, {FileDialogRequest::Mode::Open, QStringLiteral("User Rom Data Select"),
               QStringLiteral("Data file (*.hex *.mot)"), QStringLiteral("hex")});
    if (path.isEmpty())
        return;
    take();
    if (!loadAreaFile(*session_.ui, session_.state, session_.job, Area::UserRom, toPath(path)))
        return;
    show();
    updateButtons();
}

void CPlxView::onSelectBootRomFile()
{
    if (!flushPendingChecks())
        return;
    const QString path = session_.chooseFile(
        this, {FileDialogRequest::Mode::Open, QStringLiteral("Boot Rom Data Select"),
               QStringLiteral("Update file (*.btp)"), QStringLiteral("hex")});
    if (path.isEmpty())
        return;
    take();
    if (!loadAreaFile(*session_.ui, session_.state, session_.job, Area::BootRom, toPath(path)))
        return;
    show();
    updateButtons();
}

void CPlxView::onPortChanged(int)
{
    take();
    session_.link.comPortIndex = session_.job.portSelection;
    show();
}

void CPlxView::onDownload()
{
    if (!flushPendingChecks() || !takeForCommand())
        return;
    session_.link.comPortIndex = session_.job.portSelection;
    if (session_.hooks.download)
        session_.hooks.download(session_, this);
    updateButtons();
}

void CPlxView::onUpload()
{
    if (!flushPendingChecks())
        return;
    take();
    session_.link.comPortIndex = session_.job.portSelection;
    const bool complete = session_.hooks.upload && session_.hooks.upload(session_, this);
    // A stopped upload has still applied the box's settings, so the form
    // shows them; only a complete one enables Download.
    selectDeviceInList();
    show();
    updateButtons(complete);
}

void CPlxView::onProjectOpen()
{
    if (!flushPendingChecks())
        return;
    const QString path = session_.chooseFile(
        this, {FileDialogRequest::Mode::Open, QStringLiteral("PLX-71RD project file open"),
               QStringLiteral("PLX-71RD project file (*.pxp)"), QStringLiteral("pxp")});
    if (path.isEmpty())
        return;
    BusyCursor busy;
    if (!openProject(*session_.ui, session_.state, session_.job, toPath(path)))
        return;
    selectDeviceInList();
    // The restored port is the one the next operation uses.
    session_.link.comPortIndex = session_.job.portSelection;
    show();
    updateButtons();
}

void CPlxView::onProjectSaveAs()
{
    if (!flushPendingChecks() || !takeForCommand())
        return;
    const QString path = session_.chooseFile(
        this, {FileDialogRequest::Mode::Save, QStringLiteral("PLX-71RD project file save"),
               QStringLiteral("PLX-71RD project file (*.pxp)"), QStringLiteral("pxp")});
    if (path.isEmpty())
        return;
    BusyCursor busy;
    saveProject(*session_.ui, session_.state, session_.job, toPath(path));
}

void CPlxView::onEditRomArea(Area area)
{
    if (!flushPendingChecks() || !takeForCommand())
        return;
    session_.link.hostBaudIndex = session_.job.hostBaudSelection;
    const WriterState& s = session_.state;
    const JobSettings& j = session_.job;
    RomEditInfo info;
    if (s.deviceIndex != -1) {
        info.deviceTypeText = qs(s.currentDevice.name);
        info.addressRangeText = qs(formatAreaRange(s.range(area)));
    }
    info.romAreaText = area == Area::UserRom ? QStringLiteral("User Rom") : QStringLiteral("Boot Rom");
    const std::string& fileName = area == Area::UserRom ? j.userRomFileName : j.bootRomFileName;
    info.programFileText = qs(fileName);

    CRomEditDlg editor(session_, area, info, this);
    if (editor.exec() == QDialog::Accepted && !fileName.empty()) {
        refreshChecksumText(session_.state, session_.job, area);
        show();
    }
}

} // namespace plx71
