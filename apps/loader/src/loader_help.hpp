#pragma once
// Plx71Ldr --help and --version (answered before any window, no display needed).
#include "plx71/qtui/program_help.hpp"

namespace plx71 {

inline qtui::ProgramHelp loaderHelp()
{
    return {"Plx71Ldr",
            "Usage: Plx71Ldr\n"
            "The firmware loader of the PLX-71RD writer box: reads the box's boot and\n"
            "firmware versions (Read Version) and writes new firmware from an Intel HEX\n"
            "file into it page by page (Select..., Download).\n"
            "\n"
            "Options:\n"
            "  -h, --help     print this text and exit\n"
            "  --version      print the version and exit\n"
            "\n"
            "Environment:\n"
            "  PLX71_COM1 ... PLX71_COM4  the device COM1 to COM4 stand for\n"
            "                             (default /dev/ttyS0 to /dev/ttyS3)\n"};
}

} // namespace plx71
