#pragma once
// The writer program against a software writer box: a simulator on a
// pseudo-terminal reached as COM1, the whole program (application, main
// window, form) pointed at it with short link time-outs, a scripted file
// dialog, and data files written on the spot.
#include "writer_test_support.hpp"

#include "main_frame.hpp"
#include "plx_app.hpp"
#include "plx_view.hpp"
#include "transfer_dialogs.hpp"

#include "link/writer_commands.hpp"
#include "plx71/port/serial_port.hpp"
#include "plx71/testing/box_session_access.hpp"
#include "plx71/testing/modal_windows.hpp"
#include "plx71/testing/sim_link.hpp"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plx71::test {

// Watches for a window of type T (accepted by `matches`) while a modal loop
// runs: samples every 5 ms, hands the first one found to `whileOpen` once,
// and remembers that it was seen. Stops with the test that owns it, so it
// never answers a window of a later test.
template <typename T>
class WindowWatch {
public:
    explicit WindowWatch(std::function<void(T*)> whileOpen = {}, std::function<bool(T*)> matches = {})
        : whileOpen_(std::move(whileOpen)), matches_(std::move(matches))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    int timesSeen() const { return seen_; }
    bool seen() const { return seen_ > 0; }

private:
    void poll()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* t = qobject_cast<T*>(w);
            if (!t || !t->isVisible() || (matches_ && !matches_(t)) || t == current_)
                continue;
            current_ = t;
            ++seen_;
            QObject::connect(t, &QObject::destroyed, &timer_, [this] { current_ = nullptr; });
            if (whileOpen_ && seen_ == 1)
                whileOpen_(t);
            return;
        }
    }

    QTimer timer_;
    std::function<void(T*)> whileOpen_;
    std::function<bool(T*)> matches_;
    T* current_ = nullptr;
    int seen_ = 0;
};

// What the progress dialog showed while it was open.
struct ProgressWatch {
    QString title;
    QString text;
    QString objectName;
    int maximum = -1;
    int lastValue = -1;
    bool closed = false;
};

inline std::function<void(qtui::TransferProgressDialog*)> recordProgress(
    ProgressWatch& watch, std::function<void(qtui::TransferProgressDialog*)> then = {})
{
    return [&watch, then](qtui::TransferProgressDialog* dialog) {
        watch.title = dialog->windowTitle();
        watch.objectName = dialog->objectName();
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("transferText")))
            watch.text = label->text();
        watch.maximum = dialog->progressBar()->maximum();
        QObject::connect(dialog, &QDialog::finished, dialog, [&watch, dialog] {
            watch.lastValue = dialog->progressBar()->value();
            watch.closed = true;
        });
        if (then)
            then(dialog);
    };
}

inline std::vector<std::uint16_t> pagesOf(const std::vector<plx71sim::ReceivedCommand>& cmds, std::uint8_t code)
{
    std::vector<std::uint16_t> out;
    for (auto& c : cmds) {
        if (c.code == code)
            out.push_back(pageOf(c));
    }
    return out;
}

// The commands with the status polls left out.
inline std::vector<std::uint8_t> codesWithoutPolls(const std::vector<plx71sim::ReceivedCommand>& cmds)
{
    std::vector<std::uint8_t> out;
    for (auto& c : cmds) {
        if (c.code != CMD_READ_STATUS)
            out.push_back(c.code);
    }
    return out;
}

// Bytes that differ from page to page and from the blank value.
inline void fillPattern(std::vector<std::uint8_t>& image, std::size_t from, std::size_t to, std::uint8_t seed)
{
    for (std::size_t i = from; i < to && i < image.size(); ++i)
        image[i] = std::uint8_t((i * 7 + (i >> 8) * 13 + seed) % 251);
}

// Everything the form shows, by control name: texts, list choices, checked
// states and whether the buttons can be pressed.
inline std::map<QString, QString> formSnapshot(QWidget* form)
{
    std::map<QString, QString> out;
    for (auto* e : form->findChildren<QLineEdit*>())
        out[e->objectName()] = e->text();
    for (auto* c : form->findChildren<QComboBox*>())
        out[c->objectName()] = QStringLiteral("%1:%2").arg(c->currentIndex()).arg(c->currentText());
    for (auto* b : form->findChildren<QAbstractButton*>()) {
        if (b->isCheckable())
            out[b->objectName()] = b->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
        else
            out[b->objectName()] = b->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
    }
    return out;
}

inline QString describeDifferences(const std::map<QString, QString>& expected, const std::map<QString, QString>& actual)
{
    QStringList lines;
    for (const auto& [name, value] : expected) {
        auto it = actual.find(name);
        const QString got = it == actual.end() ? QStringLiteral("<missing>") : it->second;
        if (got != value)
            lines << QStringLiteral("%1: expected '%2', got '%3'").arg(name, value, got);
    }
    return lines.join(QLatin1Char('\n'));
}

// One test's world: a fresh box on COM1 and the writer program (its
// application object, main window and form) pointed at it.
class WriterSimWorld {
public:
    // With `realMessageBoxes` the program shows its message boxes (QtUi);
    // otherwise they go to `recording`.
    explicit WriterSimWorld(bool realMessageBoxes = false, const plx71sim::Options& options = quickBox()) : sim(options)
    {
        started = sim.start();
        qputenv("PLX71_COM1", QByteArray::fromStdString(sim.slavePath()));
        // A port the machine does not have.
        qputenv("PLX71_COM4", QByteArray::fromStdString(dir.filePath(QStringLiteral("no-such-port")).toStdString()));
        tablePath = dir.filePath(QStringLiteral("plx71typ.tbl"));
        QFile table(tablePath);
        if (table.open(QIODevice::WriteOnly))
            table.write(kTableText);
        table.close();
        startProgram(realMessageBoxes ? nullptr : &recording);
    }

    ~WriterSimWorld()
    {
        app.reset();
        sim.stop();
    }

    // (Re)starts the program: a fresh application, main window and form on
    // the same box. A null `ui` shows real message boxes.
    void startProgram(Ui* ui)
    {
        app.reset();
        AppOptions o;
        o.instanceName = QStringLiteral("plx71_writer_sim_test_%1").arg(QCoreApplication::applicationPid());
        o.deviceTablePath = tablePath;
        o.ui = ui;
        // The program's preferences in a file of this test: the download's
        // wire tests see the download alone, unless a test turns the
        // read-back on.
        o.preferencesFile = dir.filePath(QStringLiteral("preferences.ini"));
        if (!QFile::exists(o.preferencesFile))
            savePreferences(WriterPreferences{false, QString()}, o.preferencesFile);
        o.choosers.chooseFile = [this](QWidget*, const FileDialogRequest&) {
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
        app = std::make_unique<CPlxApp>(o);
        BoxLink& link = test::linkOf(app->session().box);
        link.timing = quickTiming();
        link.port = std::make_unique<HookedPort>([this](std::uint8_t code, std::span<const std::uint8_t> p) {
            std::function<void(std::uint8_t, std::span<const std::uint8_t>)> hook;
            {
                std::lock_guard lock(hookMutex);
                hook = onFrame;
            }
            if (hook)
                hook(code, p);
        });
        programStarted = app->initInstance();
    }

    WriterSession& session() { return app->session(); }
    CMainFrame* frame() const { return app->mainFrame(); }
    CPlxView* view() const { return app->mainFrame()->view(); }

    template <typename T>
    T* child(const char* name) const
    {
        T* c = view()->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    QString text(const char* name) const { return edit(name)->text(); }

    const DeviceRecord& device(int index) const
    {
        return app->session().state.deviceTable.records.at(std::size_t(index));
    }

    void chooseDevice(int index)
    {
        combo("deviceCombo")->setCurrentIndex(index);
        emit combo("deviceCombo")->activated(index);
    }
    void chooseInList(const char* name, int index)
    {
        combo(name)->setCurrentIndex(index);
        emit combo(name)->activated(index);
    }

    // A data file of the whole area with `image` (index = address - area start).
    QString writeData(const QString& name, int deviceIndex, Area area, const std::vector<std::uint8_t>& image)
    {
        return writeAreaFile(dir.filePath(name), device(deviceIndex), area, image);
    }

    // "Select..." with the file dialog answering `path`.
    void selectUserRom(const QString& path)
    {
        answers << path;
        button("userRomSelectButton")->click();
    }
    void selectBootRom(const QString& path)
    {
        answers << path;
        button("bootRomSelectButton")->click();
    }

    void setFrameHook(std::function<void(std::uint8_t, std::span<const std::uint8_t>)> hook)
    {
        std::lock_guard lock(hookMutex);
        onFrame = std::move(hook);
    }

    // The port is closed on both sides and the box rests at 9600 bit/s.
    bool resting() { return !app->session().box.connected() && sim.resting(); }

    // The recorded messages, for a failure report.
    QString allTexts() const
    {
        QStringList out;
        for (const std::string& t : recording.texts())
            out << QString::fromStdString(t);
        return out.join(QStringLiteral(" | "));
    }

    QTemporaryDir dir;
    RecordingUi recording;
    SimBox sim;
    bool started = false;
    bool programStarted = false;
    QString tablePath;
    std::unique_ptr<CPlxApp> app;
    QStringList answers;

    std::mutex hookMutex;
    std::function<void(std::uint8_t, std::span<const std::uint8_t>)> onFrame;
};

} // namespace plx71::test
