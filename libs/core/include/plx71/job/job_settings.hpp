#pragma once
// The job settings of the settings form, as a plain struct that the form, the
// project file, Download and Upload share. It holds values; the front ends
// make the texts they show of them.
#include "plx71/image/rom_image.hpp"
#include "plx71/port/link_rates.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace plx71 {

inline constexpr const char* kDefaultCheckIdText = "00,00,00,00,00,00,00";

// The form's radio groups. The numbers are the ones the project file stores
// and the form's button ids: never renumber them.
enum class OperationBlockMode : std::int32_t { All = 0, Block = 1 };
enum class LockBitMode : std::int32_t { NoChange = 0, AllLock = 1, AllNoLock = 2, Block = 3 };

// What the Target Board shows of a device: its areas, its last block and its
// voltages (in tenths of a volt).
struct TargetBoard {
    AreaRange userRom;
    AreaRange bootRom;
    std::int32_t lastBlock = 0;
    std::int32_t vcc = 0;
    std::int32_t vpp = 0;

    bool operator==(const TargetBoard&) const = default;
};

struct JobSettings {
    // Refreshed by selectDevice; none before a device was chosen.
    std::optional<TargetBoard> targetBoard;

    int serialModeIndex = 0; // 0 "Clock synchronous", 1 "UART"
    int targetBaudIndex = 9; // "2400" .. "1M"

    std::string userRomFileName;
    // Found in the User ROM data; none without data.
    std::optional<IdCode> dataIdCode;
    std::optional<int> romProtectLevel;           // protectLevel of the protect byte: 0, 1 or 2
    std::optional<std::uint32_t> userRomChecksum; // areaChecksum; none without data

    std::string bootRomFileName;
    std::string bootVersionText;
    int updateEnable = 0;
    std::optional<std::uint32_t> bootRomChecksum;

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
