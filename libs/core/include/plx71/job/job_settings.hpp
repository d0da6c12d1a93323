#pragma once
// The job settings of the settings form, as a plain struct that the form, the
// project file, Download and Upload share.
#include "plx71/image/rom_image.hpp"
#include "plx71/port/link_rates.hpp"

#include <cstdint>
#include <string>

namespace plx71 {

inline constexpr const char* kDefaultCheckIdText = "00,00,00,00,00,00,00";

// The form's radio groups. The numbers are the ones the project file stores
// and the form's button ids: never renumber them.
enum class OperationBlockMode : std::int32_t { All = 0, Block = 1 };
enum class LockBitMode : std::int32_t { NoChange = 0, AllLock = 1, AllNoLock = 2, Block = 3 };

struct JobSettings {
    // Target Board texts, refreshed by selectDevice.
    std::string userRomAreaText;
    std::string blockRangeText;
    std::string bootRomAreaText;
    std::string vccText;
    std::string vppText;

    int serialModeIndex = 0; // 0 "Clock synchronous", 1 "UART"
    int targetBaudIndex = 9; // "2400" .. "1M"

    std::string userRomFileName;
    std::string idCodeText; // ID bytes found in the User ROM data
    std::string romProtectText;
    std::string userRomChecksumText;

    std::string bootRomFileName;
    std::string bootVersionText;
    int updateEnable = 0;
    std::string bootRomChecksumText;

    OperationBlockMode operationBlockMode = OperationBlockMode::All;
    std::string operationBlockList;
    std::string checkIdText = kDefaultCheckIdText;
    IdCode idCode{};
    LockBitMode lockBitMode = LockBitMode::NoChange;
    std::string lockBlockList;

    int portSelection = 0; // COM1..COM4
    LinkRate linkRate = kDefaultLinkRate;

    bool operator==(const JobSettings&) const = default;
};

// Fixed list entries of the form.
inline constexpr const char* kTargetBaudNames[] = {"2400",  "4800",   "9600", "19.2K", "38.4K",
                                                   "57.6K", "115.2K", "256K", "500K",  "1M"};
inline constexpr const char* kSerialModeNames[] = {"Clock synchronous", "UART"};
inline constexpr const char* kPortNames[] = {"COM1", "COM2", "COM3", "COM4"};

} // namespace plx71
