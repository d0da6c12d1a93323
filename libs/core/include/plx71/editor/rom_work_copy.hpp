#pragma once
// The ROM data editor's working copy of one area and its position: which
// rows the page window shows, where paging leads, what Modify and the fills
// change, where a byte sequence stands, and whether anything changed. The
// image itself is only touched by writeBack. No texts: a front end formats
// the rows it is handed.
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/image/area_tables.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/job/pc_job_state.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace plx71 {

inline constexpr std::uint32_t kEditorRowBytes = 16;

// One row of the page window: its first address and the area's bytes from
// there, at most kEditorRowBytes (fewer in an area's short last row).
struct WorkCopyRow {
    std::uint32_t address = 0;
    std::span<const std::uint8_t> bytes;
};

class RomWorkCopy {
public:
    RomWorkCopy(const PcJobState& state, Area area);

    Area area() const { return area_; }
    AreaRange range() const { return range_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::uint32_t pageOffset() const { return pageOffset_; }
    std::uint32_t lastPageOffset() const { return lastPageOffset_; }
    std::uint32_t topRowAddress() const { return topRowAddress_; }
    std::uint32_t editAddress() const { return editAddress_; }
    // A Modify or a fill since the copy was taken or last written back.
    bool dirty() const { return dirty_; }

    bool contains(std::uint32_t address) const { return address >= range_.start && address <= range_.end; }
    std::uint8_t byteAt(std::uint32_t address) const { return bytes_.at(address - range_.start); }

    // Paging by 0x100, 0x1000 or 0x10000 bytes; back stops at the first
    // row, forward at lastPageOffset.
    void pageBack(std::uint32_t step);
    void pageForward(std::uint32_t step);

    // "Address": the row of `address` becomes the first row shown and the
    // next Modify offers its first byte. Addresses outside the area are
    // ignored (the input dialogs refuse them).
    void jumpTo(std::uint32_t address);
    // "Modify": one byte; the row becomes the first shown and the next
    // Modify offers the following address (the last address stays).
    void modify(std::uint32_t address, std::uint8_t data);
    // "Clear" of the User ROM: fills the blocks of `mask` that lie in the
    // area, never past the working copy.
    void fillBlocks(std::uint32_t mask, std::uint8_t data, const AreaTables& tables);
    // "Clear" of the Boot ROM: the whole copy becomes blank.
    void fillAll(std::uint8_t data = kBlankByte);

    // The first address at or after `from` where `pattern` stands whole
    // inside the area; none for an empty pattern or a start past the area.
    std::optional<std::uint32_t> find(std::span<const std::uint8_t> pattern, std::uint32_t from) const;

    // At most `count` rows from pageOffset on, while a row's first address
    // lies in the area.
    std::vector<WorkCopyRow> pageRows(int count) const;

    // Data Save's input: the copy as it stands now.
    SaveRequest saveRequest(int family, std::vector<AreaRange> ranges) const;

    // "OK": the copy goes back to the start of the area's image.
    void writeBack(PcJobState& state);

private:
    void showRowOf(std::uint32_t address);

    Area area_;
    AreaRange range_;
    std::vector<std::uint8_t> bytes_;
    std::uint32_t pageOffset_ = 0;
    std::uint32_t lastPageOffset_ = 0;
    std::uint32_t topRowAddress_ = 0;
    std::uint32_t editAddress_ = 0;
    bool dirty_ = false;
};

} // namespace plx71
