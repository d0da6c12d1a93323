#pragma once
// The command set of the writer box, one function a command. Each builds its
// request in link.frame, sends it and, when it fails, reports
// "Communication error between PLX-71RD" once itself; callers add no second
// message.
#include "link/box_link.hpp"
#include "link/command_codes.hpp"
#include "link/device_parameters.hpp"
#include "link/writer_settings.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace plx71 {

// True when the name fits the one-byte length field (at most 255 characters).
bool fileNameFits(std::string_view name);

// True on success.
bool cmdSetLinkRate(BoxLink& link, int rateIndex); // sends rateIndex + 1
bool cmdLoadEnter(BoxLink& link);
bool cmdLoadWritePage(BoxLink& link, std::uint16_t page, std::span<const std::uint8_t, kPageSize> data);
// Stores the reply's boot version text (first 16 bytes) in link.bootVersion
// and its firmware version text (next 16) in link.firmwareVersion, each
// ending early at a zero byte. On failure both keep their previous text.
bool cmdReadVersions(BoxLink& link);
bool cmdLoadPrepare(BoxLink& link);
bool cmdSetDevice(BoxLink& link, const DeviceParameters& device);
// A name longer than 255 characters is not sent: the command shows the
// file-name message and fails (callers check fileNameFits before anything).
bool cmdSetUserFileName(BoxLink& link, std::string_view name);
bool cmdSetBootFileName(BoxLink& link, std::string_view name);
bool cmdSetUpdateEnable(BoxLink& link, std::uint8_t enable);
bool cmdEraseBlocks(BoxLink& link, std::uint32_t blockMask);
bool cmdWritePage(BoxLink& link, std::uint16_t page, std::span<const std::uint8_t, kPageSize> data);
// The 256 reply bytes go to `destination`, which is untouched on failure.
bool cmdReadPage(BoxLink& link, std::uint16_t page, std::span<std::uint8_t, kPageSize> destination);
bool cmdSetCheckId(BoxLink& link, std::span<const std::uint8_t, kCheckIdLength> id);
bool cmdSetTargetRate(BoxLink& link, int targetBaudIndex); // sends index + 1
bool cmdSetLockBits(BoxLink& link, std::uint8_t mask);
bool cmdSetOperationBlocks(BoxLink& link, std::uint8_t mask);
// The status byte goes to `status`, which is untouched on failure.
bool cmdReadStatus(BoxLink& link, std::uint8_t& status);
bool cmdDownloadCommit(BoxLink& link);
// The record, or none when the exchange failed or the record does not fit
// the reply (both reported as a communication error).
std::optional<WriterSettings> cmdReadSettings(BoxLink& link);
bool cmdDownloadEnd(BoxLink& link);

} // namespace plx71
