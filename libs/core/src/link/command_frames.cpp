#include "link/command_frames.hpp"

#include <algorithm>

namespace plx71 {

namespace {

// Fills link.frame: code first, then the payload fields, little-endian.
class Request {
public:
    Request(BoxLink& link, std::uint8_t code) : frame_(link.frame) { frame_[2] = code; }

    Request& u8(std::uint8_t v)
    {
        frame_[pos_++] = v;
        return *this;
    }
    Request& u16(std::uint16_t v) { return u8(static_cast<std::uint8_t>(v)).u8(static_cast<std::uint8_t>(v >> 8)); }
    Request& u32(std::uint32_t v)
    {
        return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16));
    }
    Request& bytes(std::span<const std::uint8_t> b)
    {
        std::copy(b.begin(), b.end(), frame_.begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ += b.size();
        return *this;
    }
    Request& text(std::string_view t) { return bytes({reinterpret_cast<const std::uint8_t*>(t.data()), t.size()}); }
    // Length field and checksum.
    void finish()
    {
        setFrameBodyLength(frame_, static_cast<std::uint16_t>(pos_ - 2));
        putChecksum(frame_);
    }

private:
    std::span<std::uint8_t> frame_;
    std::size_t pos_ = kFramePayloadOffset;
};

bool failed(BoxLink& link)
{
    recordLinkFailure(link, LinkFault::Communication);
    return false;
}

// A command the box answers with ACK alone.
bool send(BoxLink& link, Request& request)
{
    request.finish();
    return sendFrame(link, link.frame) || failed(link);
}

// A command with reply data; the reply lands in link.frame.
bool exchange(BoxLink& link, Request& request, ReplyShape reply)
{
    request.finish();
    return exchangeFrame(link, link.frame, reply) || failed(link);
}

std::span<const std::uint8_t> replyPayload(const BoxLink& link)
{
    std::size_t n = frameBodyLength(link.frame);
    std::size_t payload = n >= 1 ? n - 1 : 0;
    return std::span<const std::uint8_t>(link.frame).subspan(kFramePayloadOffset, payload);
}

// A version text of the reply: 16 bytes, ending early at a zero byte.
std::string versionText(std::span<const std::uint8_t> bytes)
{
    auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

bool sendAckOnly(BoxLink& link, std::uint8_t code)
{
    Request r(link, code);
    return send(link, r);
}

bool sendFileName(BoxLink& link, std::uint8_t code, std::string_view name)
{
    if (!fileNameFits(name)) {
        recordLinkFailure(link, LinkFault::NameTooLong);
        return false;
    }
    Request r(link, code);
    r.u8(static_cast<std::uint8_t>(name.size())).text(name);
    return send(link, r);
}

} // namespace

bool fileNameFits(std::string_view name)
{
    return name.size() <= kMaxFileNameLength;
}

bool cmdSetLinkRate(BoxLink& link, int rateIndex)
{
    Request r(link, CMD_SET_LINK_RATE);
    r.u8(static_cast<std::uint8_t>(rateIndex + 1));
    return send(link, r);
}

bool cmdLoadEnter(BoxLink& link)
{
    return sendAckOnly(link, CMD_LOAD_ENTER);
}

bool cmdLoadWritePage(BoxLink& link, std::uint16_t page, std::span<const std::uint8_t, kPageSize> data)
{
    Request r(link, CMD_LOAD_WRITE_PAGE);
    r.u16(page).bytes(data);
    return send(link, r);
}

bool cmdReadVersions(BoxLink& link)
{
    Request r(link, CMD_READ_VERSIONS);
    // A failed query leaves the texts of the last good one: only the About
    // box empties its text on failure (queryFirmwareVersion).
    if (!exchange(link, r, {2 * kVersionTextLength, true}))
        return false;
    auto payload = replyPayload(link);
    link.bootVersion = versionText(payload.first(kVersionTextLength));
    link.firmwareVersion = versionText(payload.subspan(kVersionTextLength, kVersionTextLength));
    return true;
}

bool cmdLoadPrepare(BoxLink& link)
{
    return sendAckOnly(link, CMD_LOAD_PREPARE);
}

bool cmdSetDevice(BoxLink& link, const DeviceParameters& device)
{
    // The box takes the name with a one-byte length; a longer one cannot be
    // stored faithfully, so it is not sent at all.
    if (device.name.size() > 255)
        return failed(link);
    Request r(link, CMD_SET_DEVICE);
    r.u16(static_cast<std::uint16_t>(device.bootRomStart >> 8))
        .u16(static_cast<std::uint16_t>(device.bootRomSize >> 10))
        .u16(static_cast<std::uint16_t>(device.userRomStart >> 8))
        .u16(static_cast<std::uint16_t>(device.userRomSize >> 10))
        .u8(static_cast<std::uint8_t>(device.lastBlock + 1))
        .u8(static_cast<std::uint8_t>((voltageCode(device.vpp) << 4) | voltageCode(device.vcc)))
        .u8(static_cast<std::uint8_t>(device.name.size()))
        .text(device.name);
    return send(link, r);
}

bool cmdSetUserFileName(BoxLink& link, std::string_view name)
{
    return sendFileName(link, CMD_SET_USER_FILE_NAME, name);
}

bool cmdSetBootFileName(BoxLink& link, std::string_view name)
{
    return sendFileName(link, CMD_SET_BOOT_FILE_NAME, name);
}

bool cmdSetUpdateEnable(BoxLink& link, std::uint8_t enable)
{
    Request r(link, CMD_SET_UPDATE_ENABLE);
    r.u8(enable);
    return send(link, r);
}

bool cmdEraseBlocks(BoxLink& link, std::uint32_t blockMask)
{
    Request r(link, CMD_ERASE_BLOCKS);
    r.u32(blockMask);
    return send(link, r);
}

bool cmdWritePage(BoxLink& link, std::uint16_t page, std::span<const std::uint8_t, kPageSize> data)
{
    Request r(link, CMD_WRITE_PAGE);
    r.u16(page).bytes(data);
    return send(link, r);
}

bool cmdReadPage(BoxLink& link, std::uint16_t page, std::span<std::uint8_t, kPageSize> destination)
{
    Request r(link, CMD_READ_PAGE);
    r.u16(page);
    if (!exchange(link, r, {kPageSize, true}))
        return false;
    auto payload = replyPayload(link).first(kPageSize);
    std::copy(payload.begin(), payload.end(), destination.begin());
    return true;
}

bool cmdSetCheckId(BoxLink& link, std::span<const std::uint8_t, kCheckIdLength> id)
{
    Request r(link, CMD_SET_CHECK_ID);
    r.bytes(id);
    return send(link, r);
}

bool cmdSetTargetRate(BoxLink& link, int targetBaudIndex)
{
    Request r(link, CMD_SET_TARGET_RATE);
    r.u8(static_cast<std::uint8_t>(targetBaudIndex + 1));
    return send(link, r);
}

bool cmdSetLockBits(BoxLink& link, std::uint8_t mask)
{
    Request r(link, CMD_SET_LOCK_BITS);
    r.u8(mask);
    return send(link, r);
}

bool cmdSetOperationBlocks(BoxLink& link, std::uint8_t mask)
{
    Request r(link, CMD_SET_OPERATION_BLOCKS);
    r.u8(mask);
    return send(link, r);
}

bool cmdReadStatus(BoxLink& link, std::uint8_t& status)
{
    Request r(link, CMD_READ_STATUS);
    if (!exchange(link, r, {1, true}))
        return false;
    status = replyPayload(link)[0];
    return true;
}

bool cmdDownloadCommit(BoxLink& link)
{
    return sendAckOnly(link, CMD_DOWNLOAD_COMMIT);
}

std::optional<WriterSettings> cmdReadSettings(BoxLink& link)
{
    Request r(link, CMD_READ_SETTINGS);
    if (!exchange(link, r, {}))
        return std::nullopt;
    auto settings = parseWriterSettings(replyPayload(link));
    if (!settings)
        failed(link);
    return settings;
}

bool cmdDownloadEnd(BoxLink& link)
{
    return sendAckOnly(link, CMD_DOWNLOAD_END);
}

} // namespace plx71
