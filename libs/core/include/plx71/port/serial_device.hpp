#pragma once
// One serial device of this machine as /dev and sysfs tell it: its stable
// names, its USB identity and driver, who may open it, who holds it and how
// fast its adapter hands bytes on.
#include <optional>
#include <string>
#include <vector>

namespace plx71 {

struct PortHolder {
    int pid = 0;
    std::string command; // /proc/PID/comm; empty when unreadable
};

struct SerialDevice {
    std::string path;                  // what is opened: "/dev/ttyUSB0" (under the system root)
    std::string name;                  // "ttyUSB0"
    std::string canonical;             // the device behind every link, to compare devices
    std::vector<std::string> byId;     // names in /dev/serial/by-id
    std::vector<std::string> byPath;   // names in /dev/serial/by-path
    std::string vendorId;              // "0403"; empty when not a USB device
    std::string productId;             // "6001"
    std::string serialNumber;          // empty when the device has none
    std::string driver;                // "ftdi_sio", "cdc_acm", "serial8250"; empty when unknown
    bool mayOpen = false;              // this user has read and write access
    std::vector<PortHolder> holders;   // processes that have it open (when asked for)
    std::optional<int> latencyTimerMs; // FTDI adapters: sysfs latency_timer
    std::optional<bool> lowLatency;    // UARTs whose sysfs flags tell it
    std::string friendlyName;          // Windows: "USB Serial Port (COM3)"; empty elsewhere
    std::string kernelDevice;          // Windows: "\\Device\\Serial0"; empty elsewhere

    // The name that survives a replug: the first by-id name, else the first
    // by-path name, else the device path.
    std::string stableName() const;
    // "usb:0403:6001:A5XK3RJT" ("usb:VID:PID" without a serial number);
    // empty when not USB.
    std::string usbName() const;
};

} // namespace plx71
