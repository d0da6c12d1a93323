#pragma once
// The message texts, exactly as the user sees them.
#include <cstddef>
#include <string>
#include <string_view>

namespace plx71::msg {

inline constexpr std::string_view kWriterAlreadyStarted = "PLX71RD already started";
inline constexpr std::string_view kLoaderAlreadyStarted = "Plx71ldr already started";
inline constexpr std::string_view kDeviceTableNotFound = "Device definition file 'plx71typ.tbl' not found";

inline constexpr std::string_view kFileNotFound = "File not found";
inline constexpr std::string_view kFileFormatError = "File format error";
inline constexpr std::string_view kInvalidAddressContained = "Invalid address contained";
inline constexpr std::string_view kInvalidAddressIncluded = "Invalid address included";
inline constexpr std::string_view kLevel1Question = "Level1 protect enabled\nLoad continue ?";
inline constexpr std::string_view kLevel2Question = "Level2 protect enabled\nLoad continue ?";

// The detail behind "File format error" when a record's check sum is wrong.
inline std::string checksumMismatch(std::size_t lineNumber, unsigned found, unsigned expected)
{
    constexpr char digits[] = "0123456789ABCDEF";
    auto pair = [&](unsigned b) { return std::string{digits[(b >> 4) & 0xF], digits[b & 0xF]}; };
    return "line " + std::to_string(lineNumber) + ": check sum " + pair(found) + ", expected " + pair(expected);
}

inline constexpr std::string_view kInvalidBlockNumber = "Invalid block number";
inline constexpr std::string_view kInvalidIdNumber = "Invalid ID number";
inline constexpr std::string_view kInvalidAddress = "Invalid address";
inline constexpr std::string_view kInvalidData = "Invalid data";
inline constexpr std::string_view kClearOk = "Clear OK ?";

inline constexpr std::string_view kCommunicationError = "Communication error between PLX-71RD";
inline constexpr std::string_view kFirmwareVersionDifferent = "Firmware Version is different";
inline constexpr std::string_view kSettingsNotLoaded = "Settings not loaded";

// A firmware load whose every page the box acknowledged: the box has no
// command to read its firmware back, and the one-byte frame sum lets some
// pairs of bit errors through, so such a load is never called verified.
inline constexpr std::string_view kLoadedNotReadBack = "loaded, not read back";

// "COM%d cannot be used"; a port given as a device path is named by its path.
inline std::string portCannotBeUsed(std::string_view portName)
{
    return std::string(portName) + " cannot be used";
}

// A file that could not be created or written (the system itself stayed
// silent here; a production line must know the file is not there).
inline std::string cannotWriteFile(std::string_view path)
{
    return "Cannot write file '" + std::string(path) + "'";
}

// A data file name too long for the writer box's one-byte length field.
inline std::string fileNameTooLong(std::string_view path)
{
    return "File name too long (more than 255 characters): " + std::string(path);
}

// A read-back that found the box holding another byte than the job.
inline std::string verifyMismatchAt(std::string_view address)
{
    return "Verify error at address " + std::string(address);
}
// A read-back whose settings record differs from the job's in one field.
inline std::string verifyMismatchIn(std::string_view field)
{
    return "Verify error in setting '" + std::string(field) + "'";
}

// The box answers its settings in one frame: the device name and both file
// names together must fit beside the record's fixed bytes.
inline std::string namesTooLongForBox(std::size_t length, std::size_t limit)
{
    return "File names too long for the writer box: the device name and both file names may hold "
        + std::to_string(limit) + " characters together, this job has " + std::to_string(length);
}

} // namespace plx71::msg
