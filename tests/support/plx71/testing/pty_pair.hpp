#pragma once
// A pseudo-terminal pair opened by a test: the test holds the master side
// (the box's end), a port opens the slave like any serial device.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace plx71::test {

class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        const char* name = ::ptsname(master_);
        if (name)
            slave_ = name;
    }
    ~Pty()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    bool ok() const { return master_ >= 0 && !slave_.empty(); }
    int master() const { return master_; }
    const std::string& slave() const { return slave_; }

    void send(std::vector<std::uint8_t> bytes) const
    {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What the port wrote, waiting for `n` bytes until a deadline.
    std::vector<std::uint8_t> receive(std::size_t n, std::chrono::milliseconds limit = std::chrono::seconds(2)) const
    {
        std::vector<std::uint8_t> out;
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (out.size() < n && std::chrono::steady_clock::now() < deadline) {
            std::uint8_t buf[512];
            int flags = ::fcntl(master_, F_GETFL);
            ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
            ssize_t got = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
            ::fcntl(master_, F_SETFL, flags);
            if (got > 0)
                out.insert(out.end(), buf, buf + got);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return out;
    }

private:
    int master_ = -1;
    std::string slave_;
};

} // namespace plx71::test

#endif
