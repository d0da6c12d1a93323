#pragma once
// A running box and an open PC port for each test.
#include <gtest/gtest.h>

#include <memory>

#include "pc_port.hpp"
#include "plx71sim/simulator.hpp"

namespace plx71sim::test {

inline Options quickOptions()
{
    Options o;
    o.box.busyTime = 30ms;
    o.resyncGap = 50ms;
    return o;
}

class BoxTest : public ::testing::Test {
protected:
    void SetUp() override { startBox(quickOptions()); }

    void startBox(const Options& options)
    {
        port.reset();
        sim = std::make_unique<Simulator>(options);
        ASSERT_TRUE(sim->start()) << sim->lastError();
        port = std::make_unique<PcPort>(sim->slavePath());
        ASSERT_TRUE(port->isOpen());
    }

    // Request as hex; returns ACK plus reply bytes as hex.
    std::string ask(const std::string& request, std::size_t replyBody = 0)
    {
        return toHex(transact(*port, hex(request), replyBody));
    }

    std::unique_ptr<Simulator> sim;
    std::unique_ptr<PcPort> port;
};

} // namespace plx71sim::test
