// The ROM data editor's rules, stated against its working copy: the page
// window, Address and Modify, the fills, search, the dirty mark and OK.
#include "plx71/editor/rom_work_copy.hpp"

#include "plx71/testing/default_device.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using namespace plx71;

namespace {

// The default device: User ROM 0C0000-0FFFFF, Boot ROM 0FE000-0FFFFF.
PcJobState defaultState()
{
    PcJobState s;
    s.setCurrentDevice(test::defaultDevice());
    return s;
}

struct PagingCase {
    const char* name;
    std::function<void(RomWorkCopy&)> steps;
    std::uint32_t pageOffset;
};

class Paging : public ::testing::TestWithParam<PagingCase> {};

TEST_P(Paging, StaysInsideTheArea)
{
    RomWorkCopy copy(defaultState(), Area::UserRom);
    ASSERT_EQ(copy.lastPageOffset(), 0x3FF00u);
    GetParam().steps(copy);
    EXPECT_EQ(copy.pageOffset(), GetParam().pageOffset);
}

INSTANTIATE_TEST_SUITE_P(
    WorkCopy, Paging,
    ::testing::Values(
        PagingCase{"ForwardStopsAtTheLastPage",
                   [](RomWorkCopy& c) {
                       for (int i = 0; i < 5; ++i)
                           c.pageForward(0x10000);
                   },
                   0x3FF00},
        PagingCase{"BackFromTheLastPage", [](RomWorkCopy& c) { c.pageForward(0x40000), c.pageBack(0x1000); }, 0x3EF00},
        PagingCase{"BackStopsAtTheFirstRow", [](RomWorkCopy& c) { c.pageForward(0x100), c.pageBack(0x10000); }, 0},
        PagingCase{"ForwardAfterAJumpNearTheEndComesBack",
                   [](RomWorkCopy& c) { c.jumpTo(0xFFFF5), c.pageForward(0x100); }, 0x3FF00},
        PagingCase{"AJumpNearTheEndMayPassTheLastPage", [](RomWorkCopy& c) { c.jumpTo(0xFFFF5); }, 0x3FFF0}),
    [](const auto& info) { return info.param.name; });

TEST(WorkCopy, AddressAndModifyWalkThroughTheArea)
{
    PcJobState state = defaultState();
    RomWorkCopy copy(state, Area::UserRom);
    EXPECT_EQ(copy.editAddress(), 0xC0000u);

    copy.jumpTo(0xE1234);
    EXPECT_EQ(copy.topRowAddress(), 0xE1230u);
    EXPECT_EQ(copy.pageOffset(), 0x21230u);
    EXPECT_EQ(copy.editAddress(), 0xE1230u); // the row's first byte is offered next
    EXPECT_FALSE(copy.dirty());

    copy.modify(0xE1235, 0x5A);
    EXPECT_EQ(copy.byteAt(0xE1235), 0x5A);
    EXPECT_EQ(copy.editAddress(), 0xE1236u);
    EXPECT_TRUE(copy.dirty());
    EXPECT_EQ(state.images.user[0x21235], kBlankByte); // the image waits for OK

    copy.modify(0xFFFFF, 0x01);
    EXPECT_EQ(copy.editAddress(), 0xFFFFFu); // the last address stays
    EXPECT_EQ(copy.pageRows(16).size(), 1u);
}

TEST(WorkCopy, AddressesOutsideTheAreaChangeNothing)
{
    RomWorkCopy copy(defaultState(), Area::BootRom);
    copy.pageForward(0x100);
    for (const std::uint32_t outside : {0xC0000u, 0xFDFFFu, 0x100000u}) {
        copy.jumpTo(outside);
        copy.modify(outside, 0x00);
    }
    EXPECT_EQ(copy.pageOffset(), 0x100u);
    EXPECT_EQ(copy.editAddress(), 0xFE000u);
    EXPECT_FALSE(copy.dirty());
    EXPECT_TRUE(std::all_of(copy.bytes().begin(), copy.bytes().end(), [](auto b) { return b == kBlankByte; }));
}

TEST(WorkCopy, RowsNeverPassTheArea)
{
    // An area of 17 bytes: its last address starts a row of one byte.
    DeviceRecord odd = test::defaultDevice();
    odd.bootRomEnd = 0xFE010;
    odd.bootRomSize = 0x11;
    PcJobState state;
    state.setCurrentDevice(odd);
    const RomWorkCopy copy(state, Area::BootRom);
    const std::vector<WorkCopyRow> rows = copy.pageRows(16);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].bytes.size(), kEditorRowBytes);
    EXPECT_EQ(rows[1].address, 0xFE010u);
    EXPECT_EQ(rows[1].bytes.size(), 1u);
    EXPECT_EQ(copy.lastPageOffset(), 0u);
    EXPECT_TRUE(copy.pageRows(0).empty());
}

TEST(WorkCopy, BlockFillTouchesOnlyTheChosenBlocksInsideTheCopy)
{
    PcJobState state = defaultState();
    RomWorkCopy copy(state, Area::UserRom);
    copy.fillBlocks(0b101, 0x00, state.areaTables); // blocks 0 and 2
    for (const std::uint32_t filled : {0xFC000u, 0xFFFFFu, 0xF8000u, 0xF9FFFu})
        EXPECT_EQ(copy.byteAt(filled), 0x00) << std::hex << filled;
    for (const std::uint32_t kept : {0xFA000u, 0xFBFFFu, 0xF7FFFu, 0xC0000u})
        EXPECT_EQ(copy.byteAt(kept), kBlankByte) << std::hex << kept;
    EXPECT_TRUE(copy.dirty());

    // A one-block device: every block bit set still fills only its 16 KiB.
    DeviceRecord one = test::defaultDevice();
    one.userRomStart = 0xFC000;
    one.userRomSize = 0x4000;
    one.lastBlock = 0;
    state.setCurrentDevice(one);
    RomWorkCopy small(state, Area::UserRom);
    small.fillBlocks(0x7F, 0x00, state.areaTables);
    ASSERT_EQ(small.bytes().size(), 0x4000u);
    EXPECT_TRUE(std::all_of(small.bytes().begin(), small.bytes().end(), [](auto b) { return b == 0; }));
}

struct FindCase {
    const char* name;
    std::vector<std::uint8_t> pattern;
    std::uint32_t from;
    std::optional<std::uint32_t> found;
};

class Find : public ::testing::TestWithParam<FindCase> {};

TEST_P(Find, ReportsOnlyWholeMatchesInsideTheArea)
{
    PcJobState state = defaultState();
    RomWorkCopy copy(state, Area::BootRom); // 0FE000-0FFFFF
    copy.modify(0xFE000, 0x12);
    copy.modify(0xFE001, 0x34);
    copy.modify(0xFF000, 0x12);
    copy.modify(0xFF001, 0x34);
    copy.modify(0xFFFFF, 0x12);
    EXPECT_EQ(copy.find(GetParam().pattern, GetParam().from), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(WorkCopy, Find,
                         ::testing::Values(FindCase{"AtTheStart", {0x12, 0x34}, 0xFE000, 0xFE000},
                                           FindCase{"BeforeTheAreaStartsAtItsStart", {0x12, 0x34}, 0, 0xFE000},
                                           FindCase{"PastAMatchFindsTheNext", {0x12, 0x34}, 0xFE001, 0xFF000},
                                           FindCase{"TheLastByte", {0x12}, 0xFF001, 0xFFFFF},
                                           FindCase{"NotAcrossTheEnd", {0x12, 0x34}, 0xFF001, std::nullopt},
                                           FindCase{"PastTheArea", {0x12}, 0x100000, std::nullopt},
                                           FindCase{"EmptyPattern", {}, 0xFE000, std::nullopt},
                                           FindCase{"LongerThanTheArea", std::vector<std::uint8_t>(0x2001, 0xFF),
                                                    0xFE000, std::nullopt}),
                         [](const auto& info) { return info.param.name; });

TEST(WorkCopy, OkWritesTheCopyBackAndClearsTheDirtyMark)
{
    PcJobState state = defaultState();
    state.images.boot[5] = 0x12;
    RomWorkCopy copy(state, Area::BootRom);
    EXPECT_EQ(copy.byteAt(0xFE005), 0x12);
    copy.fillAll();
    EXPECT_TRUE(copy.dirty());
    EXPECT_EQ(state.images.boot[5], 0x12);
    copy.writeBack(state);
    EXPECT_FALSE(copy.dirty());
    EXPECT_EQ(state.images.boot, blankImage(Area::BootRom));
}

} // namespace
