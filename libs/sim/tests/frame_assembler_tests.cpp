// Cutting the byte stream into frames.
#include <gtest/gtest.h>

#include "plx71/testing/sim_wire.hpp"
#include "plx71sim/frame_assembler.hpp"

namespace plx71sim::test {
namespace {

using namespace plx71::test;

using Kind = FrameAssembler::Kind;

TEST(FrameAssembler, FramesSplitOrBackToBackAndBrokenOnes)
{
    FrameAssembler a(100ms);
    std::vector<FrameAssembler::Event> ev;
    const auto t0 = FrameAssembler::Clock::now();
    // Two frames in one burst, then a bad checksum.
    for (auto b : hex("01 00 1B 1B 05 00 14 7F 00 00 00 93 01 00 04 05"))
        a.push(b, t0, ev);
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[0].kind, Kind::Frame);
    EXPECT_EQ(toHex(ev[1].bytes), "05 00 14 7F 00 00 00 93");
    EXPECT_EQ(ev[2].kind, Kind::BadChecksum);
    EXPECT_TRUE(a.empty());

    // A checksum that wraps: body bytes summing to 0x1FE.
    ev.clear();
    for (auto b : hex("03 00 FF FF 00 FE"))
        a.push(b, t0, ev);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, Kind::Frame);

    // Half a frame, then quiet: thrown away at the deadline, not before.
    ev.clear();
    for (auto b : hex("05 00 14"))
        a.push(b, t0, ev);
    ASSERT_TRUE(a.deadline());
    a.expire(t0 + 50ms, ev);
    EXPECT_TRUE(ev.empty());
    a.expire(t0 + 100ms, ev);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, Kind::Discarded);

    // A stale half frame is dropped when a new frame starts after a gap.
    ev.clear();
    a.push(0x05, t0, ev);
    for (auto b : hex("01 00 1B 1B"))
        a.push(b, t0 + 200ms, ev);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, Kind::Discarded);
    EXPECT_EQ(ev[1].kind, Kind::Frame);

    // Impossible lengths swallow bytes until the line goes quiet.
    ev.clear();
    for (auto b : hex("00 00 01 00 1B 1B"))
        a.push(b, t0, ev);
    EXPECT_TRUE(ev.empty());
    for (auto b : hex("E6 03 01"))
        a.push(b, t0 + 150ms, ev); // 998 > any request
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(toHex(ev[0].bytes), "00 00 01 00 1B 1B");
}

} // namespace
} // namespace plx71sim::test
