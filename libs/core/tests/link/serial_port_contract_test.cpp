// What every SerialPort keeps, whichever it is: the termios port on a
// pseudo-terminal, the tests' hooked port around it, the scripted fake, and
// the Win32 port on two joined COM ports (under Wine, see
// scripts/windows/wine_tests.sh).
#include "fake_serial_port.hpp"

#include "plx71/port/serial_port.hpp"
#include "plx71/testing/pty_pair.hpp"
#ifdef PLX71_HAVE_SIM
#include "plx71/testing/sim_link.hpp"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace plx71::test {
namespace {

using namespace std::chrono_literals;

LinkTiming shortTiming()
{
    LinkTiming t;
    t.readInterval = 50ms;
    t.readPerByte = 30ms;
    t.readConstant = 50ms;
    t.paceWrites = false;
    return t;
}

// A port with the box's end of its line.
struct PortRig {
    virtual ~PortRig() = default;
    virtual SerialPort& port() = 0;
    virtual std::string device() const = 0;
    virtual void boxSends(const Bytes& bytes) = 0;
    virtual Bytes boxReceives(std::size_t n) = 0;
};

class FakeRig : public PortRig {
public:
    SerialPort& port() override { return fake_; }
    std::string device() const override { return "COM7"; }
    void boxSends(const Bytes& bytes) override { fake_.reply(bytes); }
    // Everything written since the last look.
    Bytes boxReceives(std::size_t) override
    {
        Bytes all;
        for (const auto& w : fake_.writes)
            all.insert(all.end(), w.begin(), w.end());
        fake_.writes.clear();
        return all;
    }

private:
    FakeSerialPort fake_;
};

#ifndef _WIN32
class PtyRig : public PortRig {
public:
    explicit PtyRig(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}
    SerialPort& port() override { return *port_; }
    std::string device() const override { return pty_.slave(); }
    void boxSends(const Bytes& bytes) override { pty_.send(bytes); }
    Bytes boxReceives(std::size_t n) override { return pty_.receive(n); }

private:
    Pty pty_;
    std::unique_ptr<SerialPort> port_;
};
#endif

#ifdef _WIN32
// PLX71_TEST_COM_PAIR=COM8:COM9 names two COM ports joined by a line: the
// port under test opens the first, the box's end is a second port on the
// other.
class ComPairRig : public PortRig {
public:
    ComPairRig(std::string device, const std::string& boxEnd) : device_(std::move(device))
    {
        EXPECT_TRUE(box_->open(boxEnd, 9600, shortTiming())) << boxEnd;
    }
    SerialPort& port() override { return *port_; }
    std::string device() const override { return device_; }
    void boxSends(const Bytes& bytes) override { EXPECT_TRUE(box_->write(bytes, shortTiming())); }
    Bytes boxReceives(std::size_t n) override
    {
        Bytes got(n);
        got.resize(box_->read(got, shortTiming()));
        return got;
    }

private:
    std::string device_;
    std::unique_ptr<SerialPort> port_ = makeSystemSerialPort();
    std::unique_ptr<SerialPort> box_ = makeSystemSerialPort();
};
#endif

struct Implementation {
    const char* name;
    std::function<std::unique_ptr<PortRig>()> make;
};

class SerialPortContract : public ::testing::TestWithParam<Implementation> {
protected:
    void SetUp() override
    {
        rig = GetParam().make();
        ASSERT_TRUE(port().open(rig->device(), 9600, timing));
    }
    SerialPort& port() { return rig->port(); }

    // Reads `n` bytes; returns what came.
    Bytes read(std::size_t n)
    {
        Bytes buffer(n);
        buffer.resize(port().read(buffer, timing));
        return buffer;
    }

    std::unique_ptr<PortRig> rig;
    LinkTiming timing = shortTiming();
};

// Every byte value passes untouched both ways (CR, LF, XON, XOFF, NUL,
// 0xFF, Ctrl-C); a read of more than came gives what came.
TEST_P(SerialPortContract, BytesPassUntouchedAndAShortReadGivesWhatCame)
{
    EXPECT_TRUE(port().isOpen());
    const Bytes special{0x0D, 0x0A, 0x11, 0x13, 0x00, 0xFF, 0x03};
    EXPECT_TRUE(port().write(special, timing));
    EXPECT_EQ(rig->boxReceives(special.size()), special);
    rig->boxSends(special);
    EXPECT_EQ(read(special.size()), special);
    rig->boxSends({0x06, 0x15});
    EXPECT_EQ(read(5), (Bytes{0x06, 0x15}));
    EXPECT_TRUE(read(1).empty());
}

// A closed port reads nothing and writes nothing; closing twice is
// harmless, and opening again works.
TEST_P(SerialPortContract, AClosedPortNeitherReadsNorWritesNorSwitches)
{
    port().close();
    port().close();
    EXPECT_FALSE(port().isOpen());
    EXPECT_TRUE(read(1).empty());
    const Bytes one{0x42};
    EXPECT_FALSE(port().write(one, timing));
    EXPECT_FALSE(port().setRate(115200));
    ASSERT_TRUE(port().open(rig->device(), 9600, timing));
    EXPECT_TRUE(port().isOpen());
}

// The rate switch keeps the port open and usable; opening an open port
// closes it first and leaves it open.
TEST_P(SerialPortContract, ARateSwitchAndAReopenKeepThePortUsable)
{
    ASSERT_TRUE(port().setRate(115200));
    EXPECT_TRUE(port().isOpen());
    ASSERT_TRUE(port().open(rig->device(), 57600, timing));
    EXPECT_TRUE(port().isOpen());
    const Bytes frame{0x01, 0x00, 0x14, 0x14};
    EXPECT_TRUE(port().write(frame, timing));
    EXPECT_EQ(rig->boxReceives(frame.size()), frame);
}

// What came before a discard is never taken for what comes after it.
TEST_P(SerialPortContract, DiscardedInputIsNeverReadLater)
{
    rig->boxSends({0xAA, 0xBB});
    EXPECT_EQ(read(1), Bytes{0xAA});
    port().discardInput();
    rig->boxSends({0x06});
    EXPECT_EQ(read(2), Bytes{0x06});
}

std::vector<Implementation> implementations()
{
    std::vector<Implementation> all{{"Fake", [] { return std::make_unique<FakeRig>(); }}};
#ifndef _WIN32
    all.push_back({"Posix", [] { return std::make_unique<PtyRig>(makeSystemSerialPort()); }});
#else
    const char* env = std::getenv("PLX71_TEST_COM_PAIR");
    const std::string pair = env ? env : "";
    if (const auto colon = pair.find(':'); colon != std::string::npos) {
        const std::string first = pair.substr(0, colon), second = pair.substr(colon + 1);
        all.push_back({"Win32", [=] { return std::make_unique<ComPairRig>(first, second); }});
    }
#endif
#if defined(PLX71_HAVE_SIM) && !defined(_WIN32)
    all.push_back({"Hooked", [] { return std::make_unique<PtyRig>(std::make_unique<HookedPort>(nullptr)); }});
#endif
    return all;
}

INSTANTIATE_TEST_SUITE_P(Ports, SerialPortContract, ::testing::ValuesIn(implementations()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace plx71::test
