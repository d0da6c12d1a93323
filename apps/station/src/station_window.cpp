#include "station_window.hpp"

#include "line_options.hpp"
#include "slot_tile.hpp"
#include "station_line.hpp"
#include "tile_grid.hpp"

#include "plx71/qtui/app_shell.hpp"
#include "plx71/qtui/busy_cursor.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace plx71::station {

namespace {

QPushButton* namedButton(const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(name, parent);
    b->setAccessibleName(name);
    return b;
}

// "1 box", "3 boxes", with `one` or `many` after it.
QString boxes(int n, const QString& one = {}, const QString& many = {})
{
    return n == 1 ? QStringLiteral("1 box") + one : QStringLiteral("%1 boxes").arg(n) + many;
}

} // namespace

StationWindow::StationWindow(StationOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)),
      shell_(std::make_unique<qtui::AppShell>(options_.ui, QString::fromLatin1(kStationTitle)))
{
    buildWindow();
    station_ = std::make_unique<Station>(options_.station, shell_->ui());
    connectStation();
    restoreSize();
    showSettings();
    showLockState();
}

StationWindow::~StationWindow() = default;

void StationWindow::apply(const StationArgs& args)
{
    {
        qtui::BusyCursor busy;
        station_->apply(args);
    }
    showHeader();
    showLockState();
}

void StationWindow::connectStation()
{
    Station* s = station_.get();
    connect(s, &Station::projectChanged, this, [this] {
        showHeader();
        showTitle();
    });
    connect(s, &Station::slotsChanged, this, &StationWindow::showTiles);
    connect(s, &Station::slotChanged, this, [this](int index) {
        showTile(index);
        showTitle();
    });
    connect(s, &Station::slotProgress, this, [this](int index) {
        if (index >= 0 && index < tiles_->count())
            tiles_->tile(index)->drawProgress(station_->slot(index));
    });
    connect(s, &Station::recordChanged, this, &StationWindow::showTotals);
    connect(s, &Station::settingsChanged, this, &StationWindow::showSettings);
    connect(s, &Station::autoModeChanged, this, &StationWindow::showAutoMode);
    connect(s, &Station::lockChanged, this, &StationWindow::showLockState);
    connect(s, &Station::beepWanted, this, [] { QApplication::beep(); });
    connect(&s->line(), &StationLine::statusChanged, this,
            [this] { lineStatus_->setText(station_->line().statusText()); });
    connect(s, &Station::slotEnded, this, [this] {
        if (station_->closing() && !station_->anyRunning())
            QTimer::singleShot(0, this, &QWidget::close);
    });
}

void StationWindow::buildWindow()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(buildToolRow());
    auto* job = new QHBoxLayout;
    job->addWidget(buildHeader(), 1);
    job->addWidget(buildOptions());
    layout->addLayout(job);
    tiles_ = new TileGrid;
    auto* scroll = new QScrollArea(central);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(tiles_);
    tiles_->fitTo(scroll->viewport());
    layout->addWidget(scroll, 1);
    layout->addWidget(buildBottomRow());
    setCentralWidget(central);
    statusBar()->addWidget(buildAutoQuestion(), 1);
    lineStatus_ = new QLabel(this);
    lineStatus_->setObjectName(QStringLiteral("lineStatus"));
    statusBar()->addPermanentWidget(lineStatus_);
}

// Most of the screen the first time, then the size the operator left it at.
void StationWindow::restoreSize()
{
    if (restoreGeometry(station_->store().value(QStringLiteral("geometry")).toByteArray()))
        return;
    const QRect room = screen() ? screen()->availableGeometry() : QRect(0, 0, 1366, 768);
    resize(std::min(1280, room.width() - 40), std::min(820, room.height() - 60));
}

QWidget* StationWindow::buildToolRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* open = namedButton(QStringLiteral("Open project..."), row);
    connect(open, &QPushButton::clicked, this, &StationWindow::openProject);
    auto* add = namedButton(QStringLiteral("Add slot..."), row);
    connect(add, &QPushButton::clicked, this, &StationWindow::chooseAndAddSlot);
    auto* load = namedButton(QStringLiteral("Load station..."), row);
    connect(load, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(false, QStringLiteral("Station file open"),
                                        QStringLiteral("Station file (*.conf)"), QStringLiteral("conf"));
        if (!path.isEmpty())
            station_->loadStationFile(path);
    });
    auto* save = namedButton(QStringLiteral("Save station..."), row);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(true, QStringLiteral("Station file save"),
                                        QStringLiteral("Station file (*.conf)"), QStringLiteral("conf"));
        if (!path.isEmpty())
            station_->saveStationFile(path);
    });
    auto* record = namedButton(QStringLiteral("Record file..."), row);
    connect(record, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile(true, QStringLiteral("Production record"),
                                        QStringLiteral("Production record (*.jsonl)"), QStringLiteral("jsonl"));
        if (!path.isEmpty())
            station_->setRecordFile(path);
    });
    auto* folder = namedButton(QStringLiteral("Open record folder"), row);
    connect(folder, &QPushButton::clicked, this, [this] {
        if (!station_->record().empty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(station_->record().path).absolutePath()));
    });
    lockButton_ = namedButton(QStringLiteral("Lock"), row);
    connect(lockButton_, &QPushButton::clicked, this, &StationWindow::toggleLock);
    for (QWidget* w : std::initializer_list<QWidget*>{open, add, load, save, record, folder})
        layout->addWidget(w);
    layout->addStretch(1);
    layout->addWidget(lockButton_);
    lockable_ = {open, add, load, save, record};
    return row;
}

// The options of every box's job, and auto mode.
QWidget* StationWindow::buildOptions()
{
    auto* box = new QGroupBox(QStringLiteral("Options"), this);
    auto* grid = new QGridLayout(box);
    auto_ = new QCheckBox(QStringLiteral("Auto start"), box);
    connect(auto_, &QCheckBox::toggled, this, [this](bool on) { station_->setAutoMode(on); });
    readBack_ = new QCheckBox(QStringLiteral("Read back"), box);
    skipBlank_ = new QCheckBox(QStringLiteral("Skip blank pages"), box);
    recover_ = new QCheckBox(QStringLiteral("Recover on a noisy line"), box);
    beep_ = new QCheckBox(QStringLiteral("Beep on failure"), box);
    int i = 0;
    for (QCheckBox* c : {auto_, readBack_, skipBlank_, recover_, beep_}) {
        grid->addWidget(c, i % 3, i / 3);
        lockable_.push_back(c);
        ++i;
    }
    for (QCheckBox* c : {readBack_, skipBlank_, recover_, beep_}) {
        connect(c, &QCheckBox::toggled, this, [this] {
            StationSettings s = station_->settings();
            s.readBack = readBack_->isChecked();
            s.skipBlank = skipBlank_->isChecked();
            s.recover = recover_->isChecked();
            s.beep = beep_->isChecked();
            station_->setSettings(s);
        });
    }
    lineOptions_ = new LineOptions(
        [this] { return chooseFile(false, QStringLiteral("Line server token"), QStringLiteral("Token (*)"), {}); },
        box);
    grid->addWidget(lineOptions_, 3, 0, 1, 2);
    lockable_.push_back(lineOptions_);
    connect(lineOptions_, &LineOptions::edited, this,
            [this] { station_->setSettings(lineOptions_->applied(station_->settings())); });
    return box;
}

// Auto mode was on when the station was last closed: asked, not acted on.
QWidget* StationWindow::buildAutoQuestion()
{
    autoQuestion_ = new QWidget(this);
    auto* layout = new QHBoxLayout(autoQuestion_);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* text = new QLabel(QStringLiteral("Auto start was on when the station was last closed. Turn it on again?"),
                            autoQuestion_);
    auto* on = namedButton(QStringLiteral("Turn auto start on"), autoQuestion_);
    connect(on, &QPushButton::clicked, this, [this] { station_->answerAutoModeQuestion(true); });
    auto* off = namedButton(QStringLiteral("Leave it off"), autoQuestion_);
    connect(off, &QPushButton::clicked, this, [this] { station_->answerAutoModeQuestion(false); });
    layout->addWidget(text);
    layout->addWidget(on);
    layout->addWidget(off);
    layout->addStretch(1);
    autoQuestion_->hide();
    return autoQuestion_;
}

QWidget* StationWindow::buildBottomRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* startAllButton = namedButton(QStringLiteral("Start all"), row);
    startAllButton->setShortcut(Qt::Key_F5);
    connect(startAllButton, &QPushButton::clicked, this, [this] { station_->startAll(); });
    auto* checkAllButton = namedButton(QStringLiteral("Check all"), row);
    checkAllButton->setToolTip(QStringLiteral("Compares every box with the project; writes nothing"));
    connect(checkAllButton, &QPushButton::clicked, this, [this] { station_->checkAll(); });
    auto* cancelAllButton = namedButton(QStringLiteral("Cancel all"), row);
    cancelAllButton->setToolTip(QStringLiteral("Esc"));
    connect(cancelAllButton, &QPushButton::clicked, this, [this] { station_->cancelAll(); });
    // Esc is easily pressed: with more than one box running it asks first.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, [this] {
        const int n = station_->runningCount();
        if (n <= 1
            || confirm(QStringLiteral("Cancel the jobs of %1 running boxes?").arg(n),
                       QStringLiteral("Stop %1 boxes").arg(n), QStringLiteral("Keep running")))
            station_->cancelAll();
    });
    auto* retry = namedButton(QStringLiteral("Retry failed"), row);
    connect(retry, &QPushButton::clicked, this, [this] { station_->retryFailed(); });
    totals_ = new QLabel(row);
    totals_->setObjectName(QStringLiteral("recordTotals"));
    layout->addWidget(startAllButton);
    layout->addWidget(checkAllButton);
    layout->addWidget(cancelAllButton);
    layout->addWidget(retry);
    layout->addStretch(1);
    layout->addWidget(totals_);
    return row;
}

void StationWindow::openProject()
{
    const QString path = chooseFile(false, QStringLiteral("PLX-71RD project file open"),
                                    QStringLiteral("PLX-71RD project file (*.pxp)"), QStringLiteral("pxp"));
    if (path.isEmpty())
        return;
    qtui::BusyCursor busy;
    station_->openProject(path);
}

void StationWindow::chooseAndAddSlot()
{
    QStringList items;
    for (const SerialDevice& d : station_->portsNow()) {
        // A port as `plx71 ports` heads it: path, USB identity, driver, names.
        QString about = QString::fromStdString(d.path);
        if (!d.vendorId.empty())
            about += QStringLiteral("  ") + QString::fromStdString(d.usbName());
        if (!d.driver.empty())
            about += QStringLiteral("  ") + QString::fromStdString(d.driver);
        if (!d.friendlyName.empty())
            about += QStringLiteral("  ") + QString::fromStdString(d.friendlyName);
        items << QString::fromStdString(d.stableName()) + QStringLiteral("    (") + about + QLatin1Char(')');
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        this, QStringLiteral("Add slot"), QStringLiteral("Port (as plx71 --port takes it):"), items, 0, true, &ok);
    const QString spec = chosen.section(QStringLiteral("    ("), 0, 0).trimmed();
    if (!ok || spec.isEmpty())
        return;
    const QString label = QInputDialog::getText(this, QStringLiteral("Add slot"), QStringLiteral("Label:"),
                                                QLineEdit::Normal, QString(), &ok);
    if (ok)
        station_->addSlot({spec, label});
}

QString StationWindow::chooseFile(bool save, const QString& title, const QString& filter, const QString& suffix)
{
    qtui::FileDialogRequest request(save ? qtui::FileDialogRequest::Mode::Save : qtui::FileDialogRequest::Mode::Open,
                                    title, filter, suffix);
    return qtui::chooseFile(options_.chooser, this, request);
}

void StationWindow::toggleLock()
{
    const auto ask = [this](const QString& prompt) {
        if (options_.askPassword)
            return options_.askPassword(this, prompt);
        return QInputDialog::getText(this, QString::fromLatin1(kStationTitle), prompt, QLineEdit::Password);
    };
    Ui& ui = shell_->ui();
    if (station_->locked()) {
        const QString password = ask(QStringLiteral("Password to unlock the station:"));
        if (!password.isEmpty() && !station_->unlock(password))
            ui.message(Icon::Exclamation, "Wrong password: the station stays locked.");
        return;
    }
    const QString password = ask(QStringLiteral("Choose the password that unlocks the station:"));
    if (password.isEmpty())
        return;
    if (ask(QStringLiteral("The same password again:")) != password) {
        ui.message(Icon::Exclamation, "The two passwords differ: the station is not locked.");
        return;
    }
    station_->lock(password);
}

bool StationWindow::confirm(const QString& text, const QString& act, const QString& keep)
{
    if (options_.ui) // a test's or another front end's: OK is `act`
        return options_.ui->question(
            Icon::Question,
            (text + QStringLiteral(" [") + act + QStringLiteral(" / ") + keep + QLatin1Char(']')).toStdString());
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kStationTitle), text, QMessageBox::NoButton, this);
    QPushButton* yes = box.addButton(act, QMessageBox::AcceptRole);
    QPushButton* no = box.addButton(keep, QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void StationWindow::closeEvent(QCloseEvent* event)
{
    if (station_->anyRunning()) {
        const int n = station_->runningCount();
        if (station_->closing()
            || !confirm(QStringLiteral("%1 running. Stopped, each box is brought back to rest and its record line is "
                                       "written before the window closes.")
                            .arg(boxes(n, QStringLiteral(" is"), QStringLiteral(" are"))),
                        QStringLiteral("Stop %1 and close").arg(boxes(n)), QStringLiteral("Keep running"))) {
            event->ignore();
            return;
        }
        // From here no job starts. The jobs may have ended while the
        // question was open: then the window closes now, else when the last
        // box is back at rest.
        station_->beginClosing();
        station_->cancelAll();
        if (station_->anyRunning()) {
            event->ignore();
            return;
        }
    }
    station_->store().setValue(QStringLiteral("geometry"), saveGeometry());
    station_->saveSession();
    event->accept();
}

} // namespace plx71::station
