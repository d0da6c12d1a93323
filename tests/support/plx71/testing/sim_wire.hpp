#pragma once
// The PC's end of the line as raw bytes, for the tests of the box itself:
// the slave of the box's terminal in raw mode, 8 data bits, odd parity with
// checking, at a chosen rate; and a fixture with a box and that end open.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "plx71/testing/sim_box.hpp"
#include "plx71sim/wire.hpp"

namespace plx71::test {

using plx71sim::Bytes;

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

// A busy time and a resynchronising gap the wire tests can see.
inline plx71sim::Options wireBox()
{
    plx71sim::Options o;
    o.box.busyTime = 30ms;
    o.resyncGap = 50ms;
    return o;
}

// A running box and an open PC end for each test.
class BoxTest : public ::testing::Test {
protected:
    void SetUp() override { startBox(wireBox()); }

    void startBox(const plx71sim::Options& options)
    {
        port.reset();
        sim = std::make_unique<SimBox>(options);
        ASSERT_TRUE(sim->start()) << sim->lastError();
        port = std::make_unique<PcPort>(sim->slavePath());
        ASSERT_TRUE(port->isOpen());
    }

    // Request as hex; returns ACK plus reply bytes as hex.
    std::string ask(const std::string& request, std::size_t replyBody = 0)
    {
        return toHex(transact(*port, hex(request), replyBody));
    }

    std::unique_ptr<SimBox> sim;
    std::unique_ptr<PcPort> port;
};

} // namespace plx71::test
