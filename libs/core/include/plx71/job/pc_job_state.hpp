#pragma once
// The writer state: device table, selected device, the two images and the
// address tables of the current device. Owned by one application, one CLI
// job or one test; never global.
#include "plx71/devices/device_table.hpp"
#include "plx71/image/rom_image.hpp"

namespace plx71 {

struct PcJobState {
    DeviceTable deviceTable;
    int deviceIndex = -1;
    DeviceRecord currentDevice = startupDefaultDevice();
    AreaTables areaTables = areaTablesFor(startupDefaultDevice());
    RomImages images;

    // Every change of the current device goes through here, so the area
    // tables always belong to its layout.
    void setCurrentDevice(const DeviceRecord& device)
    {
        currentDevice = device;
        areaTables = areaTablesFor(device);
    }
    AreaRange range(Area area) const { return areaRange(currentDevice, area); }
};

} // namespace plx71
