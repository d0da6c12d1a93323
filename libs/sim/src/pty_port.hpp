#pragma once
// The box's end of a pseudo-terminal. It keeps one slave descriptor open
// itself, so the master never sees a hang-up while the PC side closes and
// reopens the port (between operations, or at a rate switch if it chooses
// to), and it watches the slave's open and close events to follow the PC
// side.
#include <string>

namespace plx71sim {

struct LineSettings {
    int rate = 0;             // bit/s, 0 when not a standard rate
    bool oddParity = false;   // PARODD
    bool parityCheck = false; // INPCK
    // A pty keeps CS8 and clears PARENB whatever is asked (Linux); a serial
    // port behind it (an emulated UART's host side) still passes the rate,
    // PARODD and CSTOPB through.
    int dataBits = 8;
    bool parityEnabled = false; // PARENB
    bool twoStopBits = false;   // CSTOPB

    bool operator==(const LineSettings&) const = default;
};

// "115200 bit/s, 8 data bits, odd parity, 1 stop bit, parity check on"
std::string describe(const LineSettings& s);

class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort() { close(); }
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    bool open(std::string& error);
    void close();

    int master() const { return master_; }
    int events() const { return inotify_; }
    const std::string& slavePath() const { return slavePath_; }

    // The settings the PC side last put on the terminal.
    LineSettings lineSettings() const;
    // Bytes written by the box that the PC side has not read yet.
    int waitingForPc() const;
    // Reads pending open/close events and returns how many descriptors the
    // PC side now holds. After a close the port's exclusive-use mark is
    // lifted (the PC sets it again on its next open; a leftover mark would
    // lock the PC out of its own reopen) and, when no descriptor is left,
    // bytes still waiting for the PC are thrown away as on a real line.
    int handleEvents();

private:
    int master_ = -1;
    int keptSlave_ = -1;
    int inotify_ = -1;
    int openCount_ = 0;
    std::string slavePath_;
};

} // namespace plx71sim
