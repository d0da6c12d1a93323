#pragma once
// The loader's dialog against a software writer box: a simulator on a
// pseudo-terminal reached as COM1, a link with short time-outs, a recording
// Ui, a scripted file dialog, and firmware files written on the spot.
#include "loader_dlg.hpp"
#include "loader_session.hpp"

#include "plx71/link/serial_port.hpp"
#include "plx71/link/writer_commands.hpp"
#include "plx71/ui/recording_ui.hpp"
#include "plx71sim/simulator.hpp"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
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

using namespace std::chrono_literals;

// Short pauses; the read time-outs keep their real length, since they only
// cost time when the box stays silent and a busy machine can be slow to
// hand a reply over.
inline LinkTiming quickTiming()
{
    LinkTiming t;
    t.sendRetrySleep = 5ms;
    t.exchangeRetrySleep = 5ms;
    t.rateSwitchPauseBefore = 5ms;
    t.rateSwitchPauseAfter = 5ms;
    t.loaderPrepareWait = 20ms;
    t.statusPollSleep = 1ms;
    t.lowVccPagePause = 1ms;
    t.paceWrites = false;
    return t;
}

inline plx71sim::Options quickBox()
{
    plx71sim::Options o;
    o.box.busyTime = 5ms;
    return o;
}

// The system's port, with a hook that sees every request frame just before
// it goes out (on whichever thread sends it).
class HookedPort : public SerialPort {
public:
    using Hook = std::function<void(std::uint8_t code, std::span<const std::uint8_t> payload)>;

    explicit HookedPort(Hook hook) : inner_(makeSystemSerialPort()), hook_(std::move(hook)) {}

    bool open(const std::string& name, int rate, const LinkTiming& t) override { return inner_->open(name, rate, t); }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    bool write(std::span<const std::uint8_t> bytes, const LinkTiming& t) override
    {
        if (bytes.size() >= 4 && frameWireSize(bytes) == bytes.size())
            hook_(bytes[2], bytes.subspan(3, bytes.size() - 4));
        return inner_->write(bytes, t);
    }
    std::size_t read(std::span<std::uint8_t> buffer, const LinkTiming& t) override { return inner_->read(buffer, t); }

private:
    std::unique_ptr<SerialPort> inner_;
    Hook hook_;
};

// Intel HEX text: an extended linear address record, then 16-byte data
// records for each chunk, then the end record.
inline std::string intelHex(const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>& chunks)
{
    auto line = [](std::uint8_t type, std::uint16_t offset, const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> rec{std::uint8_t(data.size()), std::uint8_t(offset >> 8), std::uint8_t(offset),
                                      type};
        rec.insert(rec.end(), data.begin(), data.end());
        std::uint8_t sum = 0;
        for (auto b : rec)
            sum = std::uint8_t(sum + b);
        rec.push_back(std::uint8_t(0x100 - sum));
        std::string text = ":";
        char hex[3];
        for (auto b : rec) {
            std::snprintf(hex, sizeof hex, "%02X", b);
            text += hex;
        }
        return text + "\r\n";
    };
    std::string out;
    std::uint32_t upper = 0xFFFFFFFF;
    for (const auto& [address, bytes] : chunks) {
        for (std::size_t i = 0; i < bytes.size(); i += 16) {
            const std::uint32_t a = address + std::uint32_t(i);
            if ((a >> 16) != upper) {
                upper = a >> 16;
                out += line(0x04, 0, {std::uint8_t(upper >> 8), std::uint8_t(upper)});
            }
            const std::size_t n = std::min<std::size_t>(16, bytes.size() - i);
            out += line(0x00, std::uint16_t(a), std::vector<std::uint8_t>(bytes.begin() + long(i), bytes.begin() + long(i + n)));
        }
    }
    return out + line(0x01, 0, {});
}

inline std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

// Bytes that differ from page to page and from the blank value.
inline std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed)
{
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::uint8_t((i * 7 + (i >> 8) * 13 + seed) % 251);
    return out;
}

inline std::vector<std::uint8_t> codes(const std::vector<plx71sim::ReceivedCommand>& cmds)
{
    std::vector<std::uint8_t> out;
    for (auto& c : cmds)
        out.push_back(c.code);
    return out;
}

// Every request the box took in (acknowledged or answered), in order.
inline std::vector<plx71sim::ReceivedCommand> accepted(const plx71sim::Simulator& sim)
{
    std::vector<plx71sim::ReceivedCommand> out;
    for (auto& c : sim.receivedCommands()) {
        if (c.outcome == plx71sim::Outcome::Acked || c.outcome == plx71sim::Outcome::Replied)
            out.push_back(c);
    }
    return out;
}

inline std::size_t countCode(const std::vector<plx71sim::ReceivedCommand>& cmds, std::uint8_t code)
{
    return std::size_t(std::count_if(cmds.begin(), cmds.end(), [code](auto& c) { return c.code == code; }));
}

inline std::uint16_t pageOf(const plx71sim::ReceivedCommand& c)
{
    return std::uint16_t(c.payload.at(0) | (c.payload.at(1) << 8));
}

// One test's world: a fresh box on COM1, a session pointed at it, the
// loader's dialog shown, and a directory for firmware files.
class LoaderWorld {
public:
    explicit LoaderWorld(const plx71sim::Options& options = quickBox()) : sim(options), session(ui)
    {
        started = sim.start();
        qputenv("PLX71_COM1", QByteArray::fromStdString(sim.slavePath()));
        session.link.port = std::make_unique<HookedPort>([this](std::uint8_t code, std::span<const std::uint8_t> p) {
            std::function<void(std::uint8_t, std::span<const std::uint8_t>)> hook;
            {
                std::lock_guard lock(hookMutex);
                hook = onFrame;
            }
            if (hook)
                hook(code, p);
        });
        session.link.timing = quickTiming();
        session.chooseFile = [this](QWidget*, const FirmwareFileRequest& request) {
            lastRequest = request;
            ++fileDialogRuns;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
        dialog = std::make_unique<CLoaderDlg>(session);
        dialog->show();
    }

    ~LoaderWorld()
    {
        dialog.reset();
        sim.stop();
    }

    template <typename T>
    T* child(const char* name) const
    {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    QString text(const char* name) const { return edit(name)->text(); }

    // Writes `hex` into the test directory and returns its path.
    QString writeFile(const QString& name, const std::string& hex)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(hex.data(), qint64(hex.size()));
        return path;
    }

    // A firmware file for 0xC1000.. with the given version header.
    QString goodFirmware(const std::string& version = "V1.31 2002/03/15")
    {
        std::vector<std::uint8_t> head = bytesOf(version);
        std::vector<std::uint8_t> rest = pattern(0x800 - head.size(), 3);
        head.insert(head.end(), rest.begin(), rest.end());
        // A gap from 0xC1800 to 0xC1FFF: those pages go out blank.
        return writeFile(QStringLiteral("firmware.hex"),
                         intelHex({{0xC1000, head}, {0xC2000, pattern(0x2000, 9)}}));
    }

    // "Select..." with the file dialog answering `path` (empty: Cancel).
    void select(const QString& path)
    {
        answers << path;
        button("selectButton")->click();
    }

    // The port is closed and the box rests at 9600 bit/s.
    bool resting()
    {
        return !session.link.isOpen()
               && sim.waitFor([&] { return sim.portOpenCount() == 0 && sim.rate() == 9600; }, 5s);
    }

    std::size_t countText(std::string_view text) const
    {
        auto t = ui.texts();
        return std::size_t(std::count(t.begin(), t.end(), std::string(text)));
    }

    void setFrameHook(std::function<void(std::uint8_t, std::span<const std::uint8_t>)> hook)
    {
        std::lock_guard lock(hookMutex);
        onFrame = std::move(hook);
    }

    RecordingUi ui;
    plx71sim::Simulator sim;
    bool started = false;
    LoaderSession session;
    std::unique_ptr<CLoaderDlg> dialog;
    QTemporaryDir dir;
    QStringList answers;
    FirmwareFileRequest lastRequest;
    int fileDialogRuns = 0;

    std::mutex hookMutex;
    std::function<void(std::uint8_t, std::span<const std::uint8_t>)> onFrame;
};

// Lets a worker thread stop at a point until the GUI thread (the test) has
// done its part; both sides give up after a deadline so nothing hangs.
class Gate {
public:
    // Worker side: say it has arrived, then wait to be let through.
    void arriveAndWait()
    {
        std::unique_lock lock(mutex_);
        arrived_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, 10s, [this] { return open_; });
    }
    bool arrived() const
    {
        std::lock_guard lock(mutex_);
        return arrived_;
    }
    void open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool arrived_ = false;
    bool open_ = false;
};

} // namespace plx71::test
