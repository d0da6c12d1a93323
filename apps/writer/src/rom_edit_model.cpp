#include "rom_edit_model.hpp"

#include <algorithm>
#include <cstdio>

namespace plx71 {

RomEditModel::RomEditModel(const WriterState& state, Area area) : area_(area), range_(state.range(area))
{
    // A device record never makes an area longer than its image; should one
    // try, the copy is cut to the image so nothing outside it is read.
    const std::vector<std::uint8_t>& image = state.images.of(area);
    const std::size_t length = std::min<std::size_t>(range_.length(), image.size());
    if (length < range_.length())
        range_.end = range_.start + std::uint32_t(length) - 1;
    workCopy_.assign(image.begin(), image.begin() + std::ptrdiff_t(length));
    lastPageOffset_ = workCopy_.empty() ? 0 : (range_.end - range_.start) & 0xFFF00;
    topRowAddress_ = editAddress_ = range_.start;
}

void RomEditModel::pageBack(std::uint32_t step)
{
    pageOffset_ = pageOffset_ < step ? 0 : pageOffset_ - step;
}

void RomEditModel::pageForward(std::uint32_t step)
{
    pageOffset_ += step;
    if (lastPageOffset_ < pageOffset_)
        pageOffset_ = lastPageOffset_;
}

void RomEditModel::showRowOf(std::uint32_t address)
{
    // An area that does not start on a row boundary still shows its first byte.
    topRowAddress_ = std::max(address & ~std::uint32_t(0xF), range_.start);
    pageOffset_ = topRowAddress_ - range_.start;
}

void RomEditModel::jumpTo(std::uint32_t address)
{
    if (!contains(address))
        return;
    showRowOf(address);
    editAddress_ = topRowAddress_;
}

void RomEditModel::modify(std::uint32_t address, std::uint8_t data)
{
    if (!contains(address))
        return;
    editAddress_ = address;
    showRowOf(address);
    workCopy_[address - range_.start] = data;
    if (editAddress_ < range_.end)
        ++editAddress_;
}

void RomEditModel::clearBlocks(std::uint32_t mask, std::uint8_t data, const AreaTables& tables)
{
    for (int n = 0; n < kBlockCount; ++n) {
        if (!(mask & (1u << n)))
            continue;
        const std::uint64_t first = std::max<std::uint64_t>(tables.blockStart[std::size_t(n)], range_.start);
        const std::uint64_t last =
            std::min<std::uint64_t>(std::uint64_t(tables.blockStart[std::size_t(n)]) + tables.blockSize[std::size_t(n)],
                                    std::uint64_t(range_.end) + 1);
        for (std::uint64_t a = first; a < last; ++a)
            workCopy_[std::size_t(a - range_.start)] = data;
    }
}

void RomEditModel::clearAll()
{
    std::fill(workCopy_.begin(), workCopy_.end(), kBlankByte);
}

std::vector<DumpRow> RomEditModel::pageRows(int count) const
{
    std::vector<DumpRow> rows;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t offset = std::uint64_t(pageOffset_) + 16u * std::uint64_t(i);
        if (offset >= workCopy_.size())
            break;
        DumpRow row;
        row.address = range_.start + std::uint32_t(offset);
        for (std::size_t j = 0; j < 16 && offset + j < workCopy_.size(); ++j) {
            const std::uint8_t b = workCopy_[std::size_t(offset + j)];
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", unsigned(b));
            row.bytes[j] = hex;
            row.ascii += (b >= 0x20 && b <= 0x7E) ? char(b) : '.';
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

SaveRequest RomEditModel::saveRequest(int family, std::vector<AreaRange> ranges) const
{
    SaveRequest request;
    request.data = workCopy_;
    request.areaStart = range_.start;
    request.areaEnd = range_.end;
    request.family = family;
    request.ranges = std::move(ranges);
    return request;
}

void RomEditModel::writeBack(WriterState& state) const
{
    std::vector<std::uint8_t>& image = state.images.of(area_);
    std::copy(workCopy_.begin(), workCopy_.end(), image.begin());
}

} // namespace plx71
