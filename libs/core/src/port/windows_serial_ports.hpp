#pragma once
// The COM ports of a Windows machine: the system's serial-port map
// (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: kernel device -> "COM3") with the
// friendly names Device Manager shows ("USB Serial Port (COM3)").
#include "plx71/port/serial_device.hpp"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace plx71 {

// One value of the serial-port map: the kernel device ("\Device\Serial0")
// and the port name it is reached by ("COM1").
struct SerialCommEntry {
    std::string kernelDevice;
    std::string portName;
};

// The devices of the map, one per port name (compared without case), in
// natural order (COM2 before COM10); entries without a port name are left
// out. `friendlyNames` is keyed by upper-case port name.
std::vector<SerialDevice> serialPortsFromMap(const std::vector<SerialCommEntry>& map,
                                             const std::map<std::string, std::string>& friendlyNames);

// The map and the friendly names of this machine (empty elsewhere than on
// Windows, and where the key is missing).
std::vector<SerialDevice> windowsSerialPorts();

} // namespace plx71
