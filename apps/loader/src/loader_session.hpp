#pragma once
// Everything one run of the firmware loader works on: the reporting
// interface, the writer box session, the firmware the user selected, and
// the hook through which the dialog asks for a file. The application owns
// one; a test builds its own.
#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/select_firmware.hpp"
#include "plx71/qtui/file_chooser.hpp"

#include <QString>

#include <string>

#include <optional>

class QWidget;

namespace plx71 {

using qtui::FileChooser;
using qtui::FileDialogRequest;

// What "Select..." asks the file dialog for.
FileDialogRequest firmwareFileRequest();

struct LoaderSession {
    explicit LoaderSession(Ui& u) : ui(&u), box(u) {}

    LoaderSession(const LoaderSession&) = delete;
    LoaderSession& operator=(const LoaderSession&) = delete;

    Ui* ui;
    BoxSession box; // the writer box's link
    // A device path that stands in for the chosen COM port (a test's
    // simulator); empty: the COM port the dialog names.
    std::string boxDevicePath;
    // The firmware of the last accepted file; none until one was accepted
    // and again after a file was refused, so a half-read image is never sent.
    std::optional<SelectedFirmware> firmware;
    FileChooser chooseFile; // unset: the standard file dialog

    // An operation holds the link to the writer box open.
    bool writerConnected() const { return box.connected(); }

    QString chooseFirmwareFile(QWidget* parent) const;
};

} // namespace plx71
