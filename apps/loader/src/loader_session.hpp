#pragma once
// Everything one run of the firmware loader works on: the reporting
// interface, the link to the writer box, the firmware the user selected, and
// the hook through which the dialog asks for a file. The application owns
// one; a test builds its own.
#include "plx71/link/writer_link.hpp"
#include "plx71/ops/firmware_loader.hpp"
#include "plx71/ui/ui.hpp"

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

class QWidget;

namespace plx71 {

// What "Select..." asks the file dialog for.
struct FirmwareFileRequest {
    QString title = QStringLiteral("Firmware Load");
    QString filter = QStringLiteral("Program file (*.hex)");
    QString defaultSuffix = QStringLiteral("hex");
    QString directory; // empty: the current directory
};

// The file the user chose; empty when the dialog was cancelled.
using FirmwareFileChooser = std::function<QString(QWidget* parent, const FirmwareFileRequest& request)>;

// The standard file-open dialog for an existing file.
QString openFirmwareFileDialog(QWidget* parent, const FirmwareFileRequest& request);

// A path the user chose, for the core's file routines.
inline std::filesystem::path toPath(const QString& text)
{
    return std::filesystem::path(text.toStdU16String());
}

struct LoaderSession {
    explicit LoaderSession(Ui& u) : ui(&u), link(u) {}
    LoaderSession(const LoaderSession&) = delete;
    LoaderSession& operator=(const LoaderSession&) = delete;

    Ui* ui;
    WriterLink link;
    // The firmware of the last accepted file; none until one was accepted
    // and again after a file was refused, so a half-read image is never sent.
    std::optional<SelectedFirmware> firmware;
    FirmwareFileChooser chooseFile; // unset: openFirmwareFileDialog

    // An operation holds the link to the writer box open.
    bool writerConnected() const { return link.isOpen(); }

    QString chooseFirmwareFile(QWidget* parent) const;
};

} // namespace plx71
