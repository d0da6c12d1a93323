#pragma once
// Help > About's question to the writer box: its firmware version, at 9600
// bit/s without a rate switch.
#include "plx71/link/writer_link.hpp"
#include "plx71/ui/ui.hpp"

namespace plx71 {

// Opens link.comPortIndex (or link.portOverride) at 9600 bit/s, asks
// CMD_READ_VERSIONS and closes. link.firmwareVersion holds the box's text
// afterwards, is emptied when the query fails, and keeps its previous text
// when the port cannot be opened. Failures are shown through `ui`.
void queryFirmwareVersion(Ui& ui, WriterLink& link);

} // namespace plx71
