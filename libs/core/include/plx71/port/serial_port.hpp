#pragma once
// A serial port as the writer link uses it: blocking calls, fixed line
// settings (8 data bits, odd parity with checking, 1 stop bit, no flow
// control, raw bytes), exclusive use.
#include "plx71/port/link_timing.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace plx71 {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens `deviceName` exclusively at `bitRate` with the fixed line settings.
    // False when the port is absent or held by anyone (this program included);
    // a failure comes at once, without retries. Opening an open port closes it
    // first.
    virtual bool open(const std::string& deviceName, int bitRate, const LinkTiming& timing) = 0;
    // Moves the open port to another bit rate on the same handle, so the port
    // stays ours from connect to disconnect (a close and reopen would let
    // another program in between). Input not yet read is thrown away. False
    // when the port is not open or cannot take the rate.
    virtual bool setRate(int bitRate) = 0;
    // Harmless when not open.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // True only when every byte was written; returns when the bytes are on the
    // line (with timing.paceWrites, no earlier than 11 bits per byte at the
    // port's rate after the write began). A pseudo-terminal has no line: its
    // writes return at once, and the next read's time-outs start when the
    // bytes would have left a line at that rate.
    virtual bool write(std::span<const std::uint8_t> bytes, const LinkTiming& timing) = 0;
    // Reads up to buffer.size() bytes and returns how many arrived. Gives up
    // after a gap of more than timing.readInterval between two bytes or after
    // timing.readTotal(n); fewer bytes than asked is a failed read. (On
    // Windows the driver keeps the time-outs given to open.)
    virtual std::size_t read(std::span<std::uint8_t> buffer, const LinkTiming& timing) = 0;
    // Throws away whatever has arrived and not been read: the late end of a
    // reply that timed out must never be taken for the answer to the next
    // request (a page reply carries no page number to catch it).
    virtual void discardInput() {}

    // Parity errors: the line carries odd parity, and a port that checks it
    // marks a byte that arrived damaged. The byte reads as the port always
    // gave it (0x00 on POSIX) and sets the mark that takeParityError hands
    // out (and clears); discardInput clears it too. A port that cannot tell (a
    // pseudo-terminal, a driver that drops the marks) never sets it.
    virtual bool takeParityError() { return false; }
    // Whether the port marks parity errors at all: a reply that came without
    // a mark then passed a check of its own, besides its check sum.
    virtual bool reportsParityErrors() const { return false; }
};

// The platform's port: termios on POSIX systems, the Win32 comm API on Windows.
std::unique_ptr<SerialPort> makeSystemSerialPort();

#ifndef _WIN32
// A terminal that carries a session rather than a line to a writer box:
// /dev/tty and /dev/console, this process's controlling terminal (also a
// serial port someone logged in on) and the port the kernel console writes
// to. Bytes sent there land on a screen, and the line settings would break
// the session; the port opens none of them.
bool isSessionTerminal(int fd);
#endif

} // namespace plx71
