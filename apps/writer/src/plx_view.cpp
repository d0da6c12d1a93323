#include "plx_view.hpp"

#include "field_checks.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace plx71 {

namespace {

void setText(QLineEdit* edit, const std::string& text)
{
    setFieldText(edit, QString::fromStdString(text));
}

void showTargetBoard(const PlxFormControls& c, const std::optional<TargetBoard>& board)
{
    // Before a device was chosen the Target Board stays empty.
    const auto shown = [&board](auto text) { return board ? text(*board) : std::string(); };
    setText(c.userRomAreaText, shown([](const TargetBoard& b) { return formatAreaRange(b.userRom); }));
    setText(c.blockRangeText, shown([](const TargetBoard& b) { return blockRangeText(b.lastBlock); }));
    setText(c.bootRomAreaText, shown([](const TargetBoard& b) { return formatAreaRange(b.bootRom); }));
    setText(c.vccEdit, shown([](const TargetBoard& b) { return formatVoltage(b.vcc); }));
    setText(c.vppEdit, shown([](const TargetBoard& b) { return formatVoltage(b.vpp); }));
}

void checkButton(QButtonGroup* group, int id)
{
    if (QAbstractButton* b = group->button(id))
        b->setChecked(true);
}

} // namespace

CPlxView::CPlxView(WriterSession& session, QWidget* parent) : QWidget(parent), session_(session), c_(buildPlxForm(this))
{
    setObjectName(QStringLiteral("CPlxView"));

    for (const DeviceRecord& d : session_.state.deviceTable.records)
        c_.deviceCombo->addItem(QString::fromStdString(d.name));
    c_.deviceCombo->setCurrentIndex(-1);
    session_.state.deviceIndex = -1;

    // The serial mode is kept in the project only; the writer box takes
    // none, so the user never changes it.
    c_.serialModeCombo->setEnabled(false);

    checks_ = new FieldChecks(
        {c_.operationBlockList, c_.lockBlockList, c_.checkIdText}, [this](QLineEdit* e) { return checkField(e); },
        this);
    connectControls();

    showJob();
    updateButtons();
}

void CPlxView::connectControls()
{
    connect(c_.deviceCombo, &QComboBox::activated, this, &CPlxView::onDeviceTypeChanged);
    connect(c_.portCombo, &QComboBox::activated, this, &CPlxView::onPortChanged);
    connect(c_.userRomSelect, &QPushButton::clicked, this, &CPlxView::onSelectUserRomFile);
    connect(c_.bootRomSelect, &QPushButton::clicked, this, &CPlxView::onSelectBootRomFile);
    connect(c_.download, &QPushButton::clicked, this, &CPlxView::onDownload);
    connect(c_.upload, &QPushButton::clicked, this, &CPlxView::onUpload);
    // Typing in a block list chooses "Block"; text put there by the program
    // (textEdited is the user's typing only) does not.
    connect(c_.operationBlockList, &QLineEdit::textEdited, this, [this] {
        takeJob();
        session_.job.operationBlockMode = OperationBlockMode::Block;
        showJob();
    });
    connect(c_.lockBlockList, &QLineEdit::textEdited, this, [this] {
        takeJob();
        session_.job.lockBitMode = LockBitMode::Block;
        showJob();
    });
}

void CPlxView::takeJob()
{
    JobSettings& j = session_.job;
    j.serialModeIndex = c_.serialModeCombo->currentIndex();
    j.targetBaudIndex = c_.targetBaudCombo->currentIndex();
    j.updateEnable = c_.updateEnable->isChecked() ? 1 : 0;
    j.operationBlockMode = OperationBlockMode(std::max(c_.operationBlockGroup->checkedId(), 0));
    j.operationBlockList = c_.operationBlockList->text().toStdString();
    j.checkIdText = c_.checkIdText->text().toStdString();
    j.lockBitMode = LockBitMode(std::max(c_.lockBitGroup->checkedId(), 0));
    j.lockBlockList = c_.lockBlockList->text().toStdString();
    j.portSelection = c_.portCombo->currentIndex();
    j.linkRate = linkRateAt(c_.hostBaudCombo->currentIndex()).value_or(kDefaultLinkRate);
}

void CPlxView::showJob()
{
    const JobSettings& j = session_.job;
    showTargetBoard(c_, j.targetBoard);
    c_.serialModeCombo->setCurrentIndex(j.serialModeIndex);
    c_.targetBaudCombo->setCurrentIndex(j.targetBaudIndex);
    setText(c_.userRomFileName, j.userRomFileName);
    setText(c_.idCodeText, j.dataIdCode ? formatIdCode(*j.dataIdCode) : std::string());
    setText(c_.romProtectText, j.romProtectLevel ? std::string(protectText(*j.romProtectLevel)) : std::string());
    setText(c_.userRomChecksumText, formatChecksum(j.userRomChecksum));
    setText(c_.bootRomFileName, j.bootRomFileName);
    setText(c_.bootVersionText, j.bootVersionText);
    c_.updateEnable->setChecked(j.updateEnable != 0);
    setText(c_.bootRomChecksumText, formatChecksum(j.bootRomChecksum));
    checkButton(c_.operationBlockGroup, int(j.operationBlockMode));
    setText(c_.operationBlockList, j.operationBlockList);
    setText(c_.checkIdText, j.checkIdText);
    checkButton(c_.lockBitGroup, int(j.lockBitMode));
    setText(c_.lockBlockList, j.lockBlockList);
    c_.portCombo->setCurrentIndex(j.portSelection);
    c_.hostBaudCombo->setCurrentIndex(linkRateIndex(j.linkRate));
}

bool CPlxView::takeForCommand()
{
    takeJob();
    JobSettings& j = session_.job;
    // An empty Check ID keeps the bytes it had, as when the field is left.
    if (j.checkIdText.empty())
        return true;
    if (parseCheckId(j.checkIdText, j.idCode))
        return true;
    session_.ui->message(Icon::Exclamation, std::string(msg::kInvalidIdNumber));
    checks_->returnFocusTo(c_.checkIdText);
    return false;
}

bool CPlxView::flushPendingChecks()
{
    return checks_->flush();
}

bool CPlxView::checkField(QLineEdit* edit)
{
    takeJob();
    JobSettings& j = session_.job;
    bool valid = true;
    std::string_view message;
    if (edit == c_.checkIdText) {
        if (j.checkIdText.empty())
            return true;
        valid = parseCheckId(j.checkIdText, j.idCode);
        message = msg::kInvalidIdNumber;
    } else {
        const std::string& text = edit == c_.operationBlockList ? j.operationBlockList : j.lockBlockList;
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
    checks_->returnFocusTo(edit);
    showJob();
    return false;
}

void CPlxView::updateButtons(bool refreshDownload)
{
    // Nothing can be loaded or sent without a device type.
    const bool device = session_.state.deviceIndex != -1 && c_.deviceCombo->currentIndex() != -1;
    c_.userRomSelect->setEnabled(device);
    c_.bootRomSelect->setEnabled(device);
    if (refreshDownload)
        c_.download->setEnabled(device && canDownload(session_.state, session_.job) && !session_.boxOperationRunning);
}

void CPlxView::selectDeviceInList()
{
    const int index = session_.state.deviceIndex;
    c_.deviceCombo->setCurrentIndex(index >= 0 && index < c_.deviceCombo->count() ? index : -1);
}

} // namespace plx71
