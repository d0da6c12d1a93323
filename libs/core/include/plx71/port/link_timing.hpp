#pragma once
// Every time-out, retry sleep and pause of the writer link in one place.
// The defaults are the values the writer box is built for; tests may shorten
// them, the programs never do.
#include <chrono>

namespace plx71 {

struct LinkTiming {
    using ms = std::chrono::milliseconds;

    // Reads: a read of n bytes gives up after a gap of more than readInterval
    // between two bytes, or after readPerByte * n + readConstant in total.
    ms readInterval{100};
    ms readPerByte{100};
    ms readConstant{100};
    // Write time-outs the port driver is given (Windows).
    ms writePerByte{100};
    ms writeConstant{100};

    // After each failed attempt of sendFrame, the last one included.
    ms sendRetrySleep{110};
    // After each failed cycle of exchangeFrame, the last one included.
    ms exchangeRetrySleep{100};
    // switchLinkRate: between close and reopen, and after the reopen.
    ms rateSwitchPauseBefore{100};
    ms rateSwitchPauseAfter{100};
    // Firmware load: the box needs this long after CMD_LOAD_PREPARE.
    ms loaderPrepareWait{2000};
    // Before each CMD_READ_STATUS poll.
    ms statusPollSleep{10};
    // How long the box may report busy before the job ends as a
    // communication error naming the command it was busy with. A healthy box
    // never comes near: erasing all seven blocks of the largest User ROM
    // takes a few seconds, a page (Boot ROM or firmware) well under one, and
    // the commit, which stores the job in the box, some seconds. Each limit
    // is ten times that or more, so a slow box never fails for it, yet a box
    // that hangs ends the job within minutes instead of never.
    ms eraseBusyLimit{60000};
    ms pageBusyLimit{10000};
    ms commitBusyLimit{120000};
    // After each page for devices below 5.0 V.
    ms lowVccPagePause{10};

    // A write returns no earlier than the time the bytes need on the line
    // (11 bits each: start, 8 data, parity, stop), so a reply time-out never
    // starts while the request is still going out. Pseudo-terminals are never
    // paced (see SerialPort::write).
    bool paceWrites = true;

    // The total time a read of n bytes may take.
    ms readTotal(std::size_t n) const { return readPerByte * static_cast<long>(n) + readConstant; }
};

} // namespace plx71
