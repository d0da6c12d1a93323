#pragma once
// One job for the writer box, worked out once at the door from the job's
// state and settings: the masks, the pages a download writes, what the
// read-back compares and the record states. The operations, the read-back
// and the record take it as it is and parse nothing; a job shared by many
// boxes is one BoxJob read by all of them.
#include "plx71/devices/device_record.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace plx71 {

// One page a download writes.
struct PlannedPage {
    Area area = Area::UserRom;
    std::uint16_t page = 0;    // the page number sent
    std::uint32_t offset = 0;  // into the area's image
    std::uint32_t address = 0; // the device address of its first byte
};

struct BoxJob {
    // A device type is chosen and User ROM data loaded: else nothing is sent.
    bool sendable = false;
    DeviceRecord device; // areas, lastBlock, vcc: CMD_SET_DEVICE and the page walk
    int targetBaudIndex = 9;
    std::string userRomFileName;
    std::string bootRomFileName; // empty: no Boot ROM data
    IdCode idCode{};
    bool updateEnable = false;
    std::uint8_t operationBlockMask = 0; // "All", or the list (an empty or invalid one: all)
    std::uint8_t lockBitMask = 0;        // 0x80 for "No Change"
    bool includeBootRom = false;         // the first eight Boot ROM pages go too
    RomImages images;                    // the data, as it was when the job was made
    // The pages a complete download writes, in the order it writes them: the
    // selected User ROM blocks in ascending addresses (unselected blocks
    // skipped by their size), then Boot ROM pages while the progress weights
    // leave room (eight when the User ROM used exactly its share). The
    // read-back reads the same pages.
    std::vector<PlannedPage> pages;
};

// The door: the block lists parsed into their masks, the pages planned, the
// images taken. Nothing after it looks at the job's texts again.
BoxJob boxJobOf(const PcJobState& state, const JobSettings& job);

} // namespace plx71
