#pragma once
// The loader's dialog against a software writer box: a simulator on a
// pseudo-terminal reached as COM1, a link with short time-outs, a recording
// Ui, a scripted file dialog, and firmware files written on the spot.
#include "loader_dlg.hpp"
#include "loader_session.hpp"

#include "link/writer_commands.hpp"
#include "plx71/port/serial_port.hpp"
#include "plx71/testing/box_session_access.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/testing/sim_link.hpp"

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

// Intel HEX text: an extended linear address record, then 16-byte data
// records for each chunk, then the end record.
inline std::string intelHex(const std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>>& chunks)
{
    auto line = [](std::uint8_t type, std::uint16_t offset, const std::vector<std::uint8_t>& data) {
        std::vector<std::uint8_t> rec{std::uint8_t(data.size()), std::uint8_t(offset >> 8), std::uint8_t(offset), type};
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
            out += line(0x00, std::uint16_t(a),
                        std::vector<std::uint8_t>(bytes.begin() + long(i), bytes.begin() + long(i + n)));
        }
    }
    return out + line(0x01, 0, {});
}

inline std::vector<std::uint8_t> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

// One test's world: a fresh box on COM1, a session pointed at it, the
// loader's dialog shown, and a directory for firmware files.
class LoaderWorld {
public:
    explicit LoaderWorld(const plx71sim::Options& options = quickBox()) : sim(options), session(ui)
    {
        started = sim.start();
        qputenv("PLX71_COM1", QByteArray::fromStdString(sim.slavePath()));
        test::linkOf(session.box).port =
            std::make_unique<HookedPort>([this](std::uint8_t code, std::span<const std::uint8_t> p) {
                std::function<void(std::uint8_t, std::span<const std::uint8_t>)> hook;
                {
                    std::lock_guard lock(hookMutex);
                    hook = onFrame;
                }
                if (hook)
                    hook(code, p);
            });
        session.box.setTiming(quickTiming());
        session.chooseFile = [this](QWidget*, const FileDialogRequest& request) {
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
        return writeFile(QStringLiteral("firmware.hex"), intelHex({{0xC1000, head}, {0xC2000, pattern(0x2000, 9)}}));
    }

    // "Select..." with the file dialog answering `path` (empty: Cancel).
    void select(const QString& path)
    {
        answers << path;
        button("selectButton")->click();
    }

    // The port is closed and the box rests at 9600 bit/s.
    bool resting() { return !session.box.connected() && sim.resting(); }

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
    SimBox sim;
    bool started = false;
    LoaderSession session;
    std::unique_ptr<CLoaderDlg> dialog;
    QTemporaryDir dir;
    QStringList answers;
    FileDialogRequest lastRequest;
    int fileDialogRuns = 0;

    std::mutex hookMutex;
    std::function<void(std::uint8_t, std::span<const std::uint8_t>)> onFrame;
};

} // namespace plx71::test
