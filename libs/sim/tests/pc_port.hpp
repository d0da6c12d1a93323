#pragma once
// The PC's end of the line for the tests: the slave of the box's terminal in
// raw mode, 8 data bits, odd parity with checking, at a chosen rate.
#include <chrono>
#include <string>

#include "plx71sim/wire.hpp"

namespace plx71sim::test {

using namespace std::chrono_literals;

// A path in the test temp folder, unique to this process, not existing yet.
std::string tempPath(const std::string& name);

Bytes hex(const std::string& text); // "05 00 14 7F" -> bytes
std::string toHex(const Bytes& bytes);

class PcPort {
public:
    explicit PcPort(const std::string& path, int rate = 9600);
    ~PcPort();
    PcPort(const PcPort&) = delete;
    PcPort& operator=(const PcPort&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    void setLine(int rate, bool oddParity = true, bool parityCheck = true);
    void send(const Bytes& bytes);
    void sendHex(const std::string& text) { send(hex(text)); }
    // Reads until `count` bytes arrived or the time is up; returns what came.
    Bytes read(std::size_t count, std::chrono::milliseconds timeout = 2000ms);
    // Whatever is waiting right now, without blocking.
    Bytes pending();
    void close();

private:
    int fd_ = -1;
};

// Sends a request and reads the ACK plus a reply frame of `replyBody` body
// bytes (0: no reply expected); acknowledges the reply.
Bytes transact(PcPort& port, const Bytes& request, std::size_t replyBody = 0);

} // namespace plx71sim::test
