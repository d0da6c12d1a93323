#include "loader_dlg.hpp"

#include "loader_about_dlg.hpp"
#include "loader_icon.hpp"
#include "loading_dlg.hpp"

#include "plx71/port/port_names.hpp"
#include "plx71/qtui/accessible_names.hpp"
#include "plx71/qtui/dialog_units.hpp"
#include "plx71/qtui/paths.hpp"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <functional>

#ifdef Q_OS_WIN
#include <string>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace plx71 {

namespace {

using qtui::withoutMnemonic;

// Widths of the dialog's layout in dialog units, so the rows keep
// their proportions under any font.
int dialogUnitsX(const QWidget* w, int units)
{
    return qtui::DialogUnits(w->font()).x(units);
}

// A label and its read-only edit, the edit named after its member.
QLineEdit* addEditRow(QWidget* owner, QGridLayout* grid, int row, const char* label, const char* member, int widthUnits,
                      int columnSpan)
{
    auto* l = new QLabel(QString::fromLatin1(label), owner);
    auto* edit = new QLineEdit(owner);
    edit->setObjectName(QString::fromLatin1(member));
    edit->setAccessibleName(withoutMnemonic(l->text()));
    edit->setReadOnly(true);
    edit->setMinimumWidth(dialogUnitsX(owner, widthUnits));
    l->setBuddy(edit);
    grid->addWidget(l, row, 0);
    grid->addWidget(edit, row, 1, 1, columnSpan);
    return edit;
}

QPushButton* makeButton(QWidget* owner, const char* text, const char* name)
{
    auto* button = new QPushButton(QString::fromLatin1(text), owner);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(withoutMnemonic(button->text()));
    button->setMinimumWidth(dialogUnitsX(owner, 50));
    button->setAutoDefault(false);
    return button;
}

QComboBox* addListRow(QWidget* owner, QGridLayout* grid, int row, const char* label, const char* member,
                      const QStringList& items)
{
    auto* l = new QLabel(QString::fromLatin1(label), owner);
    auto* combo = new QComboBox(owner);
    combo->setObjectName(QString::fromLatin1(member));
    combo->setAccessibleName(withoutMnemonic(l->text()));
    combo->addItems(items);
    combo->setMinimumWidth(dialogUnitsX(owner, 50));
    l->setBuddy(combo);
    grid->addWidget(l, row, 0);
    grid->addWidget(combo, row, 1);
    return combo;
}

// Clears the flag however the operation ends.
// Marks an operation running from its start to its end, and has the
// buttons that would start another one show it (`show(true)` at the start).
class RunningFlag {
public:
    RunningFlag(bool& flag, std::function<void(bool)> show) : flag_(flag), show_(std::move(show))
    {
        flag_ = true;
        show_(true);
    }
    ~RunningFlag()
    {
        flag_ = false;
        show_(false);
    }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& flag_;
    std::function<void(bool)> show_;
};

} // namespace

CLoaderDlg::CLoaderDlg(LoaderSession& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("CLoaderDlg"));
    setWindowTitle(QString::fromLatin1(kLoaderDialogTitle));
    setWindowIcon(loaderIcon());
    // A main window of its own: minimisable, listed in the task bar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    buildControls();
    installAboutEntry();
    showMembers();
}

void CLoaderDlg::buildControls()
{
    auto* outer = new QVBoxLayout(this);

    auto* firmware = new QGroupBox(QStringLiteral("Firmware"), this);
    firmware->setObjectName(QStringLiteral("firmwareGroup"));
    firmware->setAccessibleName(firmware->title());
    auto* grid = new QGridLayout(firmware);
    fileText_ = addEditRow(this, grid, 0, "File :", "fileText", 205, 2);
    fileVersionText_ = addEditRow(this, grid, 1, "File Version :", "fileVersionText", 75, 1);
    firmVersionText_ = addEditRow(this, grid, 2, "Firm Version :", "firmVersionText", 75, 1);
    bootVersionText_ = addEditRow(this, grid, 3, "Boot Version :", "bootVersionText", 75, 1);
    statusText_ = addEditRow(this, grid, 4, "Status :", "statusText", 205, 2);
    selectButton_ = makeButton(this, "Select...", "selectButton");
    readVersionButton_ = makeButton(this, "Read Version", "readVersionButton");
    downloadButton_ = makeButton(this, "Download", "downloadButton");
    downloadButton_->setEnabled(false);
    grid->addWidget(selectButton_, 0, 3);
    grid->addWidget(readVersionButton_, 2, 3);
    grid->addWidget(downloadButton_, 4, 3);
    grid->setColumnStretch(2, 1);
    grid->setColumnMinimumWidth(2, dialogUnitsX(this, 10));
    outer->addWidget(firmware);

    auto* bottom = new QHBoxLayout;
    auto* communication = new QGroupBox(QStringLiteral("Communication Settings"), this);
    communication->setObjectName(QStringLiteral("communicationGroup"));
    communication->setAccessibleName(communication->title());
    auto* listGrid = new QGridLayout(communication);
    QStringList ports;
    for (int i = 0; i < kComPortCount; ++i)
        ports << QString::fromStdString(comPortName(i));
    portCombo_ = addListRow(this, listGrid, 0, "&Serial Port :", "portIndex", ports);
    QStringList rates;
    for (const char* name : kLinkRateNames)
        rates << QString::fromLatin1(name);
    baudCombo_ = addListRow(this, listGrid, 1, "&Baud Rate :", "baudIndex", rates);
    listGrid->setColumnStretch(2, 1);
    bottom->addWidget(communication);
    bottom->addStretch(1);
    exitButton_ = makeButton(this, "Exit", "exitButton");
    bottom->addWidget(exitButton_, 0, Qt::AlignBottom);
    outer->addLayout(bottom);

    connect(readVersionButton_, &QPushButton::clicked, this, &CLoaderDlg::onReadVersion);
    connect(selectButton_, &QPushButton::clicked, this, &CLoaderDlg::onSelectFile);
    connect(downloadButton_, &QPushButton::clicked, this, &CLoaderDlg::onDownload);
    connect(exitButton_, &QPushButton::clicked, this, &CLoaderDlg::reject);

    aboutAction_ = new QAction(QString::fromLatin1(kAboutEntryText), this);
    aboutAction_->setObjectName(QStringLiteral("aboutAction"));
    connect(aboutAction_, &QAction::triggered, this, &CLoaderDlg::showAbout);
}

void CLoaderDlg::installAboutEntry()
{
#ifdef Q_OS_WIN
    // The entry goes into the window's system menu once the native window
    // exists (showEvent).
#else
    // X11 and Wayland give a program no system menu of its own: the entry
    // lives in the dialog's context menu instead.
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
#endif
}

void CLoaderDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
#ifdef Q_OS_WIN
    if (!systemMenuDone_) {
        systemMenuDone_ = true;
        if (HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
            const std::wstring text = aboutAction_->text().toStdWString();
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, kAboutCommandId, text.c_str());
        }
    }
#endif
}

bool CLoaderDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
#ifdef Q_OS_WIN
    if (eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommandId) {
            aboutAction_->trigger();
            *result = 0;
            return true;
        }
    }
#endif
    return QDialog::nativeEvent(eventType, message, result);
}

void CLoaderDlg::takeControls()
{
    m_.portIndex = portCombo_->currentIndex();
    m_.baudIndex = baudCombo_->currentIndex();
    // The edits are read-only: their texts are the members already.
}

void CLoaderDlg::showMembers()
{
    portCombo_->setCurrentIndex(m_.portIndex);
    baudCombo_->setCurrentIndex(m_.baudIndex);
    fileText_->setText(m_.fileText);
    fileVersionText_->setText(m_.fileVersionText);
    firmVersionText_->setText(m_.firmVersionText);
    bootVersionText_->setText(m_.bootVersionText);
    statusText_->setText(m_.statusText);
}

BoxTarget CLoaderDlg::boxTarget() const
{
    // With a device path the COM list only names the port.
    PortChoice port =
        session_.boxDevicePath.empty() ? PortChoice::com(m_.portIndex) : PortChoice::path(session_.boxDevicePath);
    port.comPortIndex = m_.portIndex;
    return {port, linkRateAt(m_.baudIndex).value_or(kDefaultLinkRate)};
}

void CLoaderDlg::onReadVersion()
{
    if (operationRunning_)
        return;
    RunningFlag running(operationRunning_, [this](bool on) { showOperationRunning(on); });
    takeControls();
    // Both versions, or both fields empty when anything failed.
    const BoxOutcome outcome = session_.box.readVersions(boxTarget());
    m_.firmVersionText = outcome.ok() ? QString::fromStdString(outcome.firmwareVersion) : QString();
    m_.bootVersionText = outcome.ok() ? QString::fromStdString(outcome.bootVersion) : QString();
    m_.statusText.clear(); // Read Version reports through message boxes only
    showMembers();
}

void CLoaderDlg::onSelectFile()
{
    if (operationRunning_)
        return;
    RunningFlag running(operationRunning_, [this](bool on) { showOperationRunning(on); });
    takeControls();
    const QString chosen = session_.chooseFirmwareFile(this);
    if (chosen.isEmpty())
        return; // cancelled: the previous file stays
    session_.firmware = selectFirmwareFile(*session_.ui, qtui::toPath(chosen));
    if (session_.firmware) {
        m_.fileText = QDir::toNativeSeparators(chosen);
        m_.fileVersionText = QString::fromStdString(session_.firmware->versionText);
    } else {
        m_.fileText.clear();
        m_.fileVersionText.clear();
    }
    downloadButton_->setEnabled(session_.firmware.has_value());
    showMembers();
}

void CLoaderDlg::onDownload()
{
    if (operationRunning_ || !session_.firmware)
        return;
    RunningFlag running(operationRunning_, [this](bool on) { showOperationRunning(on); });
    takeControls();
    const SelectedFirmware& firmware = *session_.firmware;
    LoadingSink sink(this);
    // "Complete" with the versions the box reported after the load, else
    // "Error" (with the versions when they were read before a failed return
    // to 9600 bit/s).
    const BoxOutcome outcome = session_.box.loadFirmware(boxTarget(), firmware.image, m_.fileText.toStdString(), sink);
    m_.statusText = outcome.ok() ? QStringLiteral("Complete") : QStringLiteral("Error");
    m_.firmVersionText = QString::fromStdString(outcome.firmwareVersion);
    m_.bootVersionText = QString::fromStdString(outcome.bootVersion);
    showMembers();
}

void CLoaderDlg::showOperationRunning(bool running)
{
    readVersionButton_->setEnabled(!running);
    selectButton_->setEnabled(!running);
    downloadButton_->setEnabled(!running && session_.firmware.has_value());
}

void CLoaderDlg::showAbout()
{
    CLoaderAboutDlg about(this);
    about.exec();
}

void CLoaderDlg::reject()
{
    // While an operation runs, the link belongs to it (or to its worker):
    // the window stays until it has ended and put the box back to rest.
    if (operationRunning_)
        return;
    session_.box.closeAtRestingRate();
    QDialog::reject();
}

} // namespace plx71
