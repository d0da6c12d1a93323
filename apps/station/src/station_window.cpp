#include "station_window.hpp"

#include "slot_tile.hpp"

#include "plx71/devices/table_lookup.hpp"
#include "plx71/files/executable_path.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/port/port_catalog.hpp"
#include "plx71/qtui/app_shell.hpp"
#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace plx71::station {

namespace {

QString deviceTableFile(const QString& given)
{
    if (!given.isEmpty())
        return given;
    if (!qEnvironmentVariableIsEmpty(kDeviceTableVariable))
        return qEnvironmentVariable(kDeviceTableVariable);
    return qtui::fromPath(locateDeviceTable(currentExecutablePath()));
}

QPushButton* namedButton(const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(name, parent);
    b->setAccessibleName(name);
    return b;
}

} // namespace

StationWindow::StationWindow(StationOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)),
      shell_(std::make_unique<qtui::AppShell>(options_.ui, QString::fromLatin1(kStationTitle))), ui_(&shell_->ui())
{
    settings_ = options_.settingsFile.isEmpty()
        ? std::make_unique<QSettings>()
        : std::make_unique<QSettings>(options_.settingsFile, QSettings::IniFormat);
    lock_ = std::make_unique<OperatorLock>(*settings_, options_.lockIterations);
    buildWindow();
    const QString tablePath = deviceTableFile(options_.deviceTablePath);
    if (auto table = loadDeviceTable(qtui::toPath(tablePath))) {
        table_ = std::move(*table);
        ready_ = true;
    } else {
        ui_->messageWithDetail(Icon::Stop, std::string(msg::kDeviceTableNotFound),
                               tablePath.toStdString() + ": missing, unreadable or without a usable record");
    }
    if (auto station = plx71::loadStationFile(); station.station)
        userStation_ = std::move(*station.station);
    else
        ui_->message(Icon::Exclamation, station.error + "\nStation port names cannot be used until it is mended.");
    presenceTimer_.setInterval(std::max(500, options_.presencePollMs));
    connect(&presenceTimer_, &QTimer::timeout, this, &StationWindow::pollPresence);
    presenceTimer_.start();
    refreshLockState();
    refreshTitle();
}

StationWindow::~StationWindow()
{
    for (auto& slot : slots_)
        slot->runner->cancel();
}

void StationWindow::buildWindow()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(buildToolRow());
    layout->addWidget(buildHeader());
    tileArea_ = new QWidget;
    tiles_ = new QGridLayout(tileArea_);
    tiles_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* scroll = new QScrollArea(central);
    scroll->setWidgetResizable(true);
    scroll->setWidget(tileArea_);
    layout->addWidget(scroll, 1);
    layout->addWidget(buildBottomRow());
    setCentralWidget(central);
    resize(1150, 560);
}

QWidget* StationWindow::buildToolRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* open = namedButton(QStringLiteral("Open project..."), row);
    connect(open, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(false, QStringLiteral("PLX-71RD project file open"),
                                        QStringLiteral("PLX-71RD project file (*.pxp)"), QStringLiteral("pxp"));
        if (!path.isEmpty())
            openProjectFile(path);
    });
    auto* add = namedButton(QStringLiteral("Add slot..."), row);
    connect(add, &QPushButton::clicked, this, &StationWindow::chooseAndAddSlot);
    auto* load = namedButton(QStringLiteral("Load station..."), row);
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(false, QStringLiteral("Station file open"),
                                        QStringLiteral("Station file (*.conf)"), QStringLiteral("conf"));
        if (!path.isEmpty())
            loadStationFile(path);
    });
    auto* save = namedButton(QStringLiteral("Save station..."), row);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(true, QStringLiteral("Station file save"),
                                        QStringLiteral("Station file (*.conf)"), QStringLiteral("conf"));
        if (!path.isEmpty())
            saveStationFile(path);
    });
    auto* record = namedButton(QStringLiteral("Record file..."), row);
    connect(record, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(true, QStringLiteral("Production record"),
                                        QStringLiteral("Production record (*.jsonl)"), QStringLiteral("jsonl"));
        if (!path.isEmpty())
            setRecordFile(path);
    });
    auto* folder = namedButton(QStringLiteral("Open record folder"), row);
    connect(folder, &QPushButton::clicked, this, [this] {
        if (!recordPath_.isEmpty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(recordPath_).absolutePath()));
    });
    auto_ = new QCheckBox(QStringLiteral("Auto start"), row);
    connect(auto_, &QCheckBox::toggled, this, &StationWindow::setAutoMode);
    readBack_ = new QCheckBox(QStringLiteral("Read back"), row);
    readBack_->setChecked(true);
    skipBlank_ = new QCheckBox(QStringLiteral("Skip blank pages"), row);
    recover_ = new QCheckBox(QStringLiteral("Recover on a noisy line"), row);
    recover_->setChecked(true);
    beep_ = new QCheckBox(QStringLiteral("Beep on failure"), row);
    for (QCheckBox* c : {readBack_, skipBlank_})
        connect(c, &QCheckBox::toggled, this, [this] { showHeader(); });
    lockButton_ = namedButton(QStringLiteral("Lock"), row);
    connect(lockButton_, &QPushButton::clicked, this, &StationWindow::toggleLock);
    for (QWidget* w : std::initializer_list<QWidget*>{open, add, load, save, record, folder, auto_, readBack_,
                                                      skipBlank_, recover_, beep_, lockButton_})
        layout->addWidget(w);
    layout->addStretch(1);
    lockable_ = {open, add, load, save, record, auto_, readBack_, skipBlank_, recover_, beep_};
    return row;
}

QWidget* StationWindow::buildHeader()
{
    auto* box = new QGroupBox(QStringLiteral("Job"), this);
    auto* form = new QGridLayout(box);
    const QStringList names = {
        QStringLiteral("Project"),           QStringLiteral("Device"),       QStringLiteral("User ROM checksum"),
        QStringLiteral("Boot ROM checksum"), QStringLiteral("Data SHA-256"), QStringLiteral("Blocks"),
        QStringLiteral("Lock bits"),         QStringLiteral("Read-back"),    QStringLiteral("Skip blank")};
    const QStringList objects = {
        QStringLiteral("projectName"),     QStringLiteral("deviceName"), QStringLiteral("userRomChecksum"),
        QStringLiteral("bootRomChecksum"), QStringLiteral("dataSha256"), QStringLiteral("operationBlocks"),
        QStringLiteral("lockBits"),        QStringLiteral("readBack"),   QStringLiteral("skipBlank")};
    for (int i = 0; i < names.size(); ++i) {
        auto* name = new QLabel(names[i] + QLatin1Char(':'), box);
        auto* value = new QLabel(QStringLiteral("-"), box);
        value->setObjectName(objects[i]);
        value->setAccessibleName(names[i]);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
        name->setBuddy(value);
        form->addWidget(name, i % 3, (i / 3) * 2);
        form->addWidget(value, i % 3, (i / 3) * 2 + 1);
        headerValues_.push_back(value);
    }
    return box;
}

QWidget* StationWindow::buildBottomRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* startAllButton = namedButton(QStringLiteral("Start all"), row);
    startAllButton->setShortcut(Qt::Key_F5);
    connect(startAllButton, &QPushButton::clicked, this, &StationWindow::startAll);
    auto* cancelAllButton = namedButton(QStringLiteral("Cancel all"), row);
    cancelAllButton->setShortcut(Qt::Key_Escape);
    connect(cancelAllButton, &QPushButton::clicked, this, &StationWindow::cancelAll);
    auto* retry = namedButton(QStringLiteral("Retry failed"), row);
    connect(retry, &QPushButton::clicked, this, &StationWindow::retryFailed);
    totals_ = new QLabel(row);
    totals_->setObjectName(QStringLiteral("recordTotals"));
    layout->addWidget(startAllButton);
    layout->addWidget(cancelAllButton);
    layout->addWidget(retry);
    layout->addStretch(1);
    layout->addWidget(totals_);
    return row;
}

void StationWindow::showHeader()
{
    JobHeader h;
    if (project_)
        h = headerOf(*project_);
    const auto dash = [](const QString& s) { return s.isEmpty() ? QStringLiteral("-") : s; };
    const QStringList values = {dash(h.fileName),
                                dash(h.device),
                                dash(h.userRomChecksum),
                                dash(h.bootRomChecksum),
                                dash(h.dataSha),
                                dash(h.blocks),
                                dash(h.lockBits),
                                readBack_->isChecked() ? QStringLiteral("on") : QStringLiteral("off"),
                                skipBlank_->isChecked() ? QStringLiteral("on") : QStringLiteral("off")};
    for (std::size_t i = 0; i < headerValues_.size(); ++i)
        headerValues_[i]->setText(values[int(i)]);
    totals_->setText(QStringLiteral("Record: %1 passed, %2 failed%3")
                         .arg(recordPassed_)
                         .arg(recordFailed_)
                         .arg(recordPath_.isEmpty() ? QStringLiteral(" (no record file)")
                                                    : QStringLiteral(" (") + recordPath_ + QLatin1Char(')')));
}

void StationWindow::refreshTitle()
{
    int failed = 0;
    for (const auto& slot : slots_)
        failed += slot->state == SlotState::Failed ? 1 : 0;
    QString title = QString::fromLatin1(kStationTitle);
    if (project_)
        title += QStringLiteral(" - ") + QFileInfo(project_->path).fileName();
    if (failed > 0)
        title += QStringLiteral(" - %1 failed").arg(failed);
    if (locked())
        title += QStringLiteral(" [locked]");
    setWindowTitle(title);
}

bool StationWindow::locked() const
{
    return lock_->locked();
}

void StationWindow::refreshLockState()
{
    const bool editable = !locked();
    for (QWidget* w : lockable_)
        w->setEnabled(editable);
    for (auto& slot : slots_)
        slot->tile->setEditable(editable);
    lockButton_->setText(editable ? QStringLiteral("Lock") : QStringLiteral("Unlock"));
    lockButton_->setAccessibleDescription(editable ? QStringLiteral("makes project, slots and options read-only")
                                                   : QStringLiteral("locked: asks for the password to unlock"));
    refreshTitle();
}

void StationWindow::toggleLock()
{
    const auto ask = [this](const QString& prompt) {
        if (options_.askPassword)
            return options_.askPassword(this, prompt);
        return QInputDialog::getText(this, QString::fromLatin1(kStationTitle), prompt, QLineEdit::Password);
    };
    if (locked()) {
        const QString password = ask(QStringLiteral("Password to unlock the station:"));
        if (!password.isEmpty() && !lock_->unlock(password))
            ui_->message(Icon::Exclamation, "Wrong password: the station stays locked.");
    } else {
        const QString password = ask(QStringLiteral("Choose the password that unlocks the station:"));
        if (password.isEmpty())
            return;
        if (ask(QStringLiteral("The same password again:")) != password) {
            ui_->message(Icon::Exclamation, "The two passwords differ: the station is not locked.");
            return;
        }
        lock_->lock(password);
        saveSession();
    }
    refreshLockState();
}

QString StationWindow::chooseFile(bool save, const QString& title, const QString& filter, const QString& suffix)
{
    qtui::FileDialogRequest request(save ? qtui::FileDialogRequest::Mode::Save : qtui::FileDialogRequest::Mode::Open,
                                    title, filter, suffix);
    return qtui::chooseFile(options_.chooser, this, request);
}

void StationWindow::closeEvent(QCloseEvent* event)
{
    if (anyRunning()) {
        event->ignore();
        if (closePending_
            || !ui_->question(Icon::Question,
                              "Jobs are running. Cancel every box and close? Each box is brought back to rest "
                              "and every record line is completed first."))
            return;
        closePending_ = true;
        cancelAll();
        return;
    }
    saveSession();
    event->accept();
}

void StationWindow::maybeCloseAfterCancel()
{
    if (closePending_ && !anyRunning())
        QTimer::singleShot(0, this, &QWidget::close);
}

} // namespace plx71::station
