// The termios port over a pseudo-terminal pair opened by the test: the test
// holds the master side, the port opens the slave like any serial device.
#ifndef _WIN32

#include "plx71/port/serial_port.hpp"
#include "plx71/testing/pty_pair.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace plx71;
using plx71::test::Pty;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

LinkTiming shortTiming()
{
    LinkTiming t;
    t.readInterval = 50ms;
    t.readPerByte = 30ms;
    t.readConstant = 50ms;
    t.paceWrites = false;
    return t;
}

long elapsedMs(Clock::time_point since)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

} // namespace

TEST(PosixSerialPort, ReadsFollowTheGapAndTotalTimeOuts)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    auto port = makeSystemSerialPort();
    auto timing = shortTiming();
    ASSERT_TRUE(port->open(pty.slave(), 9600, timing));

    // Everything there: all of it, at once.
    pty.send({1, 2, 3, 4, 5});
    std::uint8_t buf[8] = {};
    EXPECT_EQ(port->read(std::span(buf, 5), timing), 5u);
    EXPECT_EQ(buf[4], 5);
    // 0xFF reaches the port doubled (the driver marks parity errors), so a
    // read takes half of them each time: what waits is still taken at once,
    // not at the pace of the line (1,024 bytes are 1.17 s at 9600 bit/s).
    {
        const std::vector<std::uint8_t> blank(1024, 0xFF);
        std::vector<std::uint8_t> page(blank.size());
        LinkTiming patient; // a gap limit that would let the port sleep on
        patient.readInterval = 2000ms;
        pty.send(blank);
        const auto start = Clock::now();
        EXPECT_EQ(port->read(page, patient), page.size());
        EXPECT_LT(elapsedMs(start), 200);
        EXPECT_EQ(page, blank);
        EXPECT_FALSE(port->takeParityError());
    }

    // Nothing comes: a read of 2 gives up, but not before 2 * 30 + 50 ms.
    auto start = Clock::now();
    EXPECT_EQ(port->read(std::span(buf, 2), timing), 0u);
    long waited = elapsedMs(start);
    EXPECT_GE(waited, 110);
    EXPECT_LT(waited, 5000);

    // A gap longer than the interval ends the read even though the total
    // time allows much more.
    {
        LinkTiming longTotal = timing;
        longTotal.readPerByte = 5000ms;
        std::thread box([&] {
            pty.send({0xAA});
            std::this_thread::sleep_for(600ms); // the gap the port must not wait out
            pty.send({0xBB});
        });
        start = Clock::now();
        EXPECT_EQ(port->read(std::span(buf, 2), longTotal), 1u);
        EXPECT_LT(elapsedMs(start), 600);
        EXPECT_EQ(buf[0], 0xAA);
        box.join();
        EXPECT_EQ(port->read(std::span(buf, 1), timing), 1u); // the late byte is still there
        EXPECT_EQ(buf[0], 0xBB);
    }

    // Bytes that keep trickling in within the gap limit still stop at the
    // total: a read of 8 may take 8 * 30 + 50 = 290 ms.
    {
        std::atomic<bool> stop{false};
        std::thread box([&] {
            while (!stop) {
                pty.send({0x55});
                std::this_thread::sleep_for(100ms);
            }
        });
        LinkTiming trickle = timing;
        trickle.readInterval = 400ms;
        start = Clock::now();
        std::size_t got = port->read(std::span(buf, 8), trickle);
        waited = elapsedMs(start);
        stop = true;
        box.join();
        EXPECT_LT(got, 8u);
        EXPECT_GE(waited, 290);
    }
}

TEST(PosixSerialPort, RawLineSettingsWhateverThePortHeldBefore)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    // Leave the terminal in a cooked state with flow control on.
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.master(), &t), 0);
    t.c_iflag |= ICRNL | IXON | IXOFF;
    t.c_oflag |= OPOST | ONLCR;
    t.c_lflag |= ICANON | ECHO | ISIG;
    t.c_cflag |= CRTSCTS | CSTOPB;
    ASSERT_EQ(::tcsetattr(pty.master(), TCSANOW, &t), 0);

    auto port = makeSystemSerialPort();
    auto timing = shortTiming();
    ASSERT_TRUE(port->open(pty.slave(), 19200, timing));
    ASSERT_EQ(::tcgetattr(pty.master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B19200);
    EXPECT_EQ(cfgetispeed(&t), B19200);
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & INPCK);
    EXPECT_FALSE(t.c_iflag & (ICRNL | IXON | IXOFF | INLCR | IGNCR | ISTRIP));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    // The rate switch: the open port takes the new rate and keeps the rest.
    ASSERT_TRUE(port->setRate(115200));
    ASSERT_EQ(::tcgetattr(pty.master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_FALSE(t.c_lflag & ICANON);
    EXPECT_FALSE(port->setRate(12345));
    ASSERT_TRUE(port->open(pty.slave(), 57600, timing));
    ASSERT_EQ(::tcgetattr(pty.master(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B57600);
    EXPECT_FALSE(port->open(pty.slave(), 12345, timing)); // not a rate the line knows
    EXPECT_FALSE(port->open("/nonexistent/tty", 9600, timing));
    EXPECT_FALSE(port->open("/dev/null", 9600, timing)); // not a terminal
}

TEST(PosixSerialPort, APortInUseFailsAtOnceForASecondOpener)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    auto timing = shortTiming();
    auto first = makeSystemSerialPort();
    auto second = makeSystemSerialPort();
    ASSERT_TRUE(first->open(pty.slave(), 9600, timing));
    auto start = Clock::now();
    EXPECT_FALSE(second->open(pty.slave(), 9600, timing));
    EXPECT_LT(elapsedMs(start), 1000);
    EXPECT_FALSE(second->isOpen());
    // A rate switch keeps the port the holder's.
    ASSERT_TRUE(first->setRate(115200));
    EXPECT_FALSE(second->open(pty.slave(), 9600, timing));
    // The failed opener took nothing from the holder.
    std::uint8_t b[1] = {0x42};
    EXPECT_TRUE(first->write(b, timing));
    EXPECT_EQ(pty.receive(1), std::vector<std::uint8_t>{0x42});

    first->close();
    EXPECT_TRUE(second->open(pty.slave(), 9600, timing));
}

// A pseudo-terminal has no line: a paced write returns without waiting out
// the line time, and the reply time-out starts only when the bytes would
// have left a line, so a peer that imitates the line's speed is still heard.
TEST(PosixSerialPort, APseudoTerminalIsNotPacedYetWaitsForAPacedPeer)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    auto timing = shortTiming();
    timing.paceWrites = true;
    auto port = makeSystemSerialPort();
    ASSERT_TRUE(port->open(pty.slave(), 9600, timing));
    std::vector<std::uint8_t> frame(262, 0x5A);
    // 262 bytes * 11 bits at 9600 bit/s = 300.2 ms on a line.
    const auto start = Clock::now();
    EXPECT_TRUE(port->write(frame, timing));
    EXPECT_LT(elapsedMs(start), 300);
    EXPECT_EQ(pty.receive(frame.size()), frame);
    // The answer comes 340 ms after the write began: past the 80 ms a
    // one-byte read allows, but within them counted from the line's end.
    std::thread peer([&pty, start] {
        std::this_thread::sleep_until(start + 340ms);
        pty.send({0x06});
    });
    std::uint8_t ack[1] = {};
    EXPECT_EQ(port->read(ack, timing), 1u);
    EXPECT_EQ(ack[0], 0x06);
    peer.join();
}

TEST(PosixSerialPort, AnUnprivilegedUserCanReopenAfterClosing)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        GTEST_SKIP() << "no user 'nobody'";
    Pty pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(::chown(pty.slave().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(pty.slave().c_str(), 0600), 0);

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(10);
        auto timing = shortTiming();
        auto port = makeSystemSerialPort();
        if (!port->open(pty.slave(), 9600, timing))
            ::_exit(11);
        // While it is held, nobody else gets it, not even this same user.
        auto other = makeSystemSerialPort();
        if (other->open(pty.slave(), 9600, timing))
            ::_exit(12);
        port->close();
        // The rate switch: close and reopen at once.
        if (!port->open(pty.slave(), 38400, timing))
            ::_exit(13);
        port->close();
        if (!other->open(pty.slave(), 9600, timing))
            ::_exit(14);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 setuid, 11 open, 12 second opener got in, 13 reopen, 14 other reopen";
}

// A user logged in on a serial line who names that line as the box's port:
// the port stays untouched, the session's settings too.
TEST(PosixSerialPort, TheControllingTerminalIsNeverOpened)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A new session whose first terminal opened becomes its own.
        if (::setsid() < 0)
            ::_exit(10);
        const int own = ::open(pty.slave().c_str(), O_RDWR);
        if (own < 0 || ::tcgetsid(own) != ::getsid(0))
            ::_exit(11);
        termios before{};
        ::tcgetattr(own, &before);
        auto port = makeSystemSerialPort();
        if (port->open(pty.slave(), 9600, shortTiming()))
            ::_exit(12);
        termios after{};
        ::tcgetattr(own, &after);
        ::_exit(after.c_lflag == before.c_lflag && after.c_cflag == before.c_cflag ? 0 : 13);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10 setsid, 11 no controlling terminal, 12 opened, 13 settings changed";
    // Anyone else may use it.
    EXPECT_TRUE(makeSystemSerialPort()->open(pty.slave(), 9600, shortTiming()));
}

#endif
