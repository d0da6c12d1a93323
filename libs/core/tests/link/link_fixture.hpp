#pragma once
// A link over the scripted port, with recorded sleeps and failures.
#include "fake_serial_port.hpp"

#include "link/box_link.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

namespace plx71::test {

class LinkFixture : public ::testing::Test {
protected:
    LinkFixture()
    {
        auto p = std::make_unique<FakeSerialPort>();
        port = p.get();
        link.port = std::move(p);
        link.sleeper = [this](std::chrono::milliseconds d) { sleeps.push_back(d.count()); };
    }

    // The box ACKs every request and answers reply commands from `replies`.
    void answerLikeABox()
    {
        port->onWrite = [this](const Bytes& b) {
            if (b.size() < 3)
                return;
            port->reply({0x06});
            if (auto it = replies.find(b[2]); it != replies.end())
                port->reply(it->second);
        };
    }

    // The failures the link recorded since the last clear().
    int failures() const { return link.failuresRecorded - cleared_; }
    void clear() { cleared_ = link.failuresRecorded; }

    int cleared_ = 0;
    BoxLink link;
    FakeSerialPort* port = nullptr;
    std::vector<long> sleeps;
    std::map<std::uint8_t, Bytes> replies; // by request code: the whole reply frame
};

} // namespace plx71::test
