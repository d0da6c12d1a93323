// Block lists, address ranges, hexadecimal fields and the Check ID text.
// Input: a routine byte, two bound bytes, then the text.
//  - a refused block list or Check ID leaves its output as it was;
//  - what a parser accepts lies within its bounds, and what the formatter
//    writes parses back to the same value.
#include "fuzz_support.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/job/job_actions.hpp"

#include <cstdio>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

std::uint32_t bitsBetween(int low, int high)
{
    std::uint32_t m = 0;
    for (int b = low; b <= high; ++b)
        m |= std::uint32_t{1} << b;
    return m;
}

void blockList(FuzzInput& in)
{
    const int highest = in.byte() % 32;
    const int lowest = in.byte() % (highest + 1);
    const std::uint32_t previous = in.u32();
    const std::string_view text = in.restText();

    // Only the mask bytes that can hold the allowed numbers are the list's.
    const std::uint32_t covered = highest >= 24 ? 0xFFFFFFFFu : (std::uint32_t{1} << (8 * (highest / 8 + 1))) - 1;
    std::uint32_t mask = previous;
    if (!parseBlockList(text, lowest, highest, mask)) {
        FUZZ_CHECK(mask == previous);
    } else {
        const std::uint32_t listed = mask & covered;
        FUZZ_CHECK((mask & ~covered) == (previous & ~covered));
        FUZZ_CHECK(listed != 0 && (listed & ~bitsBetween(lowest, highest)) == 0);
        std::uint32_t again = ~mask;
        FUZZ_CHECK(parseBlockList(formatBlockList(listed >> lowest, lowest, highest), lowest, highest, again));
        FUZZ_CHECK((again & covered) == listed);
    }
    // Any mask, written over blocks first..last, reads back as its bits there.
    const std::uint32_t bits = previous & bitsBetween(lowest, highest);
    const std::string written = formatBlockList(bits >> lowest, lowest, highest);
    std::uint32_t reread = 0;
    FUZZ_CHECK(parseBlockList(written, lowest, highest, reread) == (bits != 0));
    FUZZ_CHECK(reread == bits);
}

void addressRanges(FuzzInput& in)
{
    const std::uint32_t lowest = in.u32();
    const std::uint32_t highest = lowest + in.u16();
    const std::string_view text = in.restText();
    const auto ranges = parseAddressRanges(text, lowest, highest, EqualEnds::OneAddress);
    // Data Save's rule takes less, never something else.
    const auto strict = parseAddressRanges(text, lowest, highest, EqualEnds::Invalid);
    FUZZ_CHECK(!strict || strict == ranges);
    if (!ranges)
        return;
    FUZZ_CHECK(ranges->size() <= kMaxAddressRanges);
    for (const auto& r : *ranges)
        FUZZ_CHECK(r.start >= lowest && r.end <= highest && r.start <= r.end);
    // Written back as "first-last, ...", the list reads the same.
    std::string written;
    for (const auto& r : *ranges) {
        char item[32];
        if (r.start == r.end)
            std::snprintf(item, sizeof item, "%s%X", written.empty() ? "" : ", ", r.start);
        else
            std::snprintf(item, sizeof item, "%s%X-%X", written.empty() ? "" : ", ", r.start, r.end);
        written += item;
    }
    const auto again = parseAddressRanges(written, lowest, highest, EqualEnds::OneAddress);
    FUZZ_CHECK(again && *again == *ranges);
}

void hexField(FuzzInput& in)
{
    const std::string_view text = in.restText();
    const auto value = parseHexField(text);
    if (!value)
        return;
    char written[16];
    std::snprintf(written, sizeof written, "%x", *value);
    FUZZ_CHECK(parseHexField(written) == value);
}

void checkId(FuzzInput& in)
{
    IdCode previous{};
    for (auto& b : previous)
        b = in.byte();
    const std::string_view text = in.restText();
    IdCode id = previous;
    if (!parseCheckId(text, id)) {
        FUZZ_CHECK(id == previous);
        return;
    }
    IdCode again{};
    FUZZ_CHECK(parseCheckId(formatIdCode(id), again) && again == id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    switch (in.byte() % 4) {
    case 0:
        blockList(in);
        break;
    case 1:
        addressRanges(in);
        break;
    case 2:
        hexField(in);
        break;
    default:
        checkId(in);
        break;
    }
    return 0;
}
