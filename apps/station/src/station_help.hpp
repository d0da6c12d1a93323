#pragma once
// Plx71Station --help and --version (answered before any window, no display
// needed). The options are those parseStationArgs takes.
#include "plx71/qtui/program_help.hpp"

namespace plx71::station {

inline qtui::ProgramHelp stationHelp()
{
    return {"Plx71Station",
            "Usage: Plx71Station [PROJECT.pxp] [--port PORT]... [--station FILE] [--record FILE] [--auto]\n"
            "                    [--line URL --line-token FILE] [--station-name NAME] [--only-released]\n"
            "The production station of the PLX-71RD writer box: stores one project in\n"
            "every box of a line station and reads each box back, one worker per box.\n"
            "With no arguments the last project and slots are opened again.\n"
            "\n"
            "Options:\n"
            "  PROJECT.pxp      the project to open, as PLX71RD's Project > Open opens it\n"
            "                   (a relative path is taken from the current folder)\n"
            "  --port PORT      one slot, in slot order: what plx71 --port takes (a device\n"
            "                   path, a by-id or by-path name, usb:VID:PID[:SERIAL], COMn,\n"
            "                   a station port)\n"
            "  --station FILE   the slots of a station file (its named ports, in file order)\n"
            "  --record FILE    append a production record line for every job\n"
            "  --auto           start a slot's job by itself when its port appears, once\n"
            "                   per appearance\n"
            "  --line URL       ship the record lines to this line server and post the\n"
            "                   tiles to it (http://HOST[:PORT][/PATH])\n"
            "  --line-token FILE\n"
            "                   the station's token for it, on the file's first line\n"
            "  --station-name NAME\n"
            "                   the station's name on the line (default: this machine's\n"
            "                   name)\n"
            "  --only-released  send a box nothing unless the line has released the job\n"
            "  -h, --help       print this text and exit\n"
            "  --version        print the version and exit\n"};
}

} // namespace plx71::station
