#pragma once
// PLX71RD --help and --version (answered before any window, no display needed).
#include "plx71/qtui/program_help.hpp"

namespace plx71 {

inline qtui::ProgramHelp writerHelp()
{
    return {"PLX71RD",
            "Usage: PLX71RD [PROJECT.pxp]\n"
            "The writer control program of the PLX-71RD flash writer box: prepares a\n"
            "programming job, stores it in the box (Download), reads it back (Upload),\n"
            "edits and saves the data, and keeps projects.\n"
            "\n"
            "Options:\n"
            "  PROJECT.pxp    open this project as Project > Open does (a relative name\n"
            "                 is taken from the current folder)\n"
            "  -h, --help     print this text and exit\n"
            "  --version      print the version and exit\n"
            "\n"
            "Environment:\n"
            "  PLX71_COM1 ... PLX71_COM4  the device COM1 to COM4 stand for\n"
            "                             (default /dev/ttyS0 to /dev/ttyS3)\n"
            "  PLX71_DEVICE_TABLE         another device definition table\n"};
}

} // namespace plx71
