#pragma once
// The ROM data editor's working copy of one area and its position: what the
// dump shows, where paging leads, what Modify and Clear change. The image
// itself is only touched by writeBack.
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/job/writer_state.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace plx71 {

struct DumpRow {
    std::uint32_t address = 0;
    std::array<std::string, 16> bytes; // "%02X"; empty past the area's end
    std::string ascii;                 // one character per byte of the area
};

class RomEditModel {
public:
    RomEditModel(const WriterState& state, Area area);

    Area area() const { return area_; }
    AreaRange range() const { return range_; }
    const std::vector<std::uint8_t>& workCopy() const { return workCopy_; }
    std::uint32_t pageOffset() const { return pageOffset_; }
    std::uint32_t lastPageOffset() const { return lastPageOffset_; }
    std::uint32_t topRowAddress() const { return topRowAddress_; }
    std::uint32_t editAddress() const { return editAddress_; }

    bool contains(std::uint32_t address) const { return address >= range_.start && address <= range_.end; }
    std::uint8_t byteAt(std::uint32_t address) const { return workCopy_.at(address - range_.start); }

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
    void clearBlocks(std::uint32_t mask, std::uint8_t data, const AreaTables& tables);
    // "Clear" of the Boot ROM: the whole copy becomes blank.
    void clearAll();

    // At most `count` rows from pageOffset on, while a row's first address
    // lies in the area.
    std::vector<DumpRow> pageRows(int count) const;

    // Data Save's input: the copy as it stands now.
    SaveRequest saveRequest(int family, std::vector<AreaRange> ranges) const;

    // "OK": the copy goes back to the start of the area's image.
    void writeBack(WriterState& state) const;

private:
    void showRowOf(std::uint32_t address);

    Area area_;
    AreaRange range_;
    std::vector<std::uint8_t> workCopy_;
    std::uint32_t pageOffset_ = 0;
    std::uint32_t lastPageOffset_ = 0;
    std::uint32_t topRowAddress_ = 0;
    std::uint32_t editAddress_ = 0;
};

} // namespace plx71
