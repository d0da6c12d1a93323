#include "plx71/editor/rom_work_copy.hpp"

#include <algorithm>

namespace plx71 {

RomWorkCopy::RomWorkCopy(const PcJobState& state, Area area) : area_(area), range_(state.range(area))
{
    // A device record never makes an area longer than its image; should one
    // try, the copy is cut to the image so nothing outside it is read.
    const std::vector<std::uint8_t>& image = state.images.of(area);
    const std::size_t length = std::min<std::size_t>(range_.length(), image.size());
    if (length < range_.length())
        range_.end = range_.start + std::uint32_t(length) - 1;
    bytes_.assign(image.begin(), image.begin() + std::ptrdiff_t(length));
    lastPageOffset_ = bytes_.empty() ? 0 : (range_.end - range_.start) & 0xFFF00;
    topRowAddress_ = editAddress_ = range_.start;
}

void RomWorkCopy::pageBack(std::uint32_t step)
{
    pageOffset_ = pageOffset_ < step ? 0 : pageOffset_ - step;
}

void RomWorkCopy::pageForward(std::uint32_t step)
{
    pageOffset_ += step;
    if (lastPageOffset_ < pageOffset_)
        pageOffset_ = lastPageOffset_;
}

void RomWorkCopy::showRowOf(std::uint32_t address)
{
    // An area that does not start on a row boundary still shows its first byte.
    topRowAddress_ = std::max(address & ~(kEditorRowBytes - 1), range_.start);
    pageOffset_ = topRowAddress_ - range_.start;
}

void RomWorkCopy::jumpTo(std::uint32_t address)
{
    if (!contains(address))
        return;
    showRowOf(address);
    editAddress_ = topRowAddress_;
}

void RomWorkCopy::modify(std::uint32_t address, std::uint8_t data)
{
    if (!contains(address))
        return;
    editAddress_ = address;
    showRowOf(address);
    bytes_[address - range_.start] = data;
    dirty_ = true;
    if (editAddress_ < range_.end)
        ++editAddress_;
}

void RomWorkCopy::fillBlocks(std::uint32_t mask, std::uint8_t data, const AreaTables& tables)
{
    for (std::size_t n = 0; n < std::size_t(kBlockCount); ++n) {
        if (!(mask & (1u << n)))
            continue;
        const std::uint64_t first = std::max<std::uint64_t>(tables.blockStart[n], range_.start);
        const std::uint64_t last = std::min<std::uint64_t>(std::uint64_t(tables.blockStart[n]) + tables.blockSize[n],
                                                           std::uint64_t(range_.start) + bytes_.size());
        if (first >= last)
            continue;
        std::fill(bytes_.begin() + std::ptrdiff_t(first - range_.start),
                  bytes_.begin() + std::ptrdiff_t(last - range_.start), data);
        dirty_ = true;
    }
}

void RomWorkCopy::fillAll(std::uint8_t data)
{
    std::fill(bytes_.begin(), bytes_.end(), data);
    dirty_ = dirty_ || !bytes_.empty();
}

std::optional<std::uint32_t> RomWorkCopy::find(std::span<const std::uint8_t> pattern, std::uint32_t from) const
{
    if (pattern.empty() || from > range_.end)
        return std::nullopt;
    const std::size_t startIndex = from < range_.start ? 0 : from - range_.start;
    if (startIndex >= bytes_.size())
        return std::nullopt;
    const auto at =
        std::search(bytes_.begin() + std::ptrdiff_t(startIndex), bytes_.end(), pattern.begin(), pattern.end());
    if (at == bytes_.end())
        return std::nullopt;
    return range_.start + std::uint32_t(at - bytes_.begin());
}

std::vector<WorkCopyRow> RomWorkCopy::pageRows(int count) const
{
    std::vector<WorkCopyRow> rows;
    const std::span<const std::uint8_t> all(bytes_);
    for (int i = 0; i < count; ++i) {
        const std::uint64_t offset = std::uint64_t(pageOffset_) + kEditorRowBytes * std::uint64_t(i);
        if (offset >= bytes_.size())
            break;
        const std::size_t length = std::min<std::size_t>(kEditorRowBytes, bytes_.size() - std::size_t(offset));
        rows.push_back({range_.start + std::uint32_t(offset), all.subspan(std::size_t(offset), length)});
    }
    return rows;
}

SaveRequest RomWorkCopy::saveRequest(int family, std::vector<AreaRange> ranges) const
{
    SaveRequest request;
    request.data = bytes_;
    request.areaStart = range_.start;
    request.areaEnd = range_.end;
    request.family = family;
    request.ranges = std::move(ranges);
    return request;
}

void RomWorkCopy::writeBack(PcJobState& state)
{
    std::vector<std::uint8_t>& image = state.images.of(area_);
    std::copy(bytes_.begin(), bytes_.end(), image.begin());
    dirty_ = false;
}

} // namespace plx71
