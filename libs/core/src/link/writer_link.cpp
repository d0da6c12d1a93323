#include "link/writer_link.hpp"

#include "plx71/port/port_names.hpp"

#include <algorithm>
#include <thread>

namespace plx71 {

namespace {

// One acknowledge byte, sent alone; the result does not matter: a lost ACK
// or NAK shows up as a repeated reply or a repeated request.
void sendAcknowledge(WriterLink& link, std::uint8_t byte)
{
    const std::uint8_t b[1] = {byte};
    link.port->write(b, link.timing);
}

bool readExactly(WriterLink& link, std::span<std::uint8_t> buffer)
{
    return link.port->read(buffer, link.timing) == buffer.size();
}

// One cycle of exchangeFrame after the request was acknowledged: receive the
// reply into link.received, acknowledge it and hand it over. False for a failed
// cycle.
bool receiveReply(WriterLink& link, std::span<std::uint8_t> frame, std::size_t replyPayloadLength)
{
    auto& rx = link.received;
    // Nothing of an earlier reply may be mistaken for this one.
    std::fill(rx.begin(), rx.end(), std::uint8_t{0});
    const std::size_t heard = link.port->read(std::span(rx).first(2), link.timing);
    link.lastReply = heard == 0 ? BoxReply::Silent : BoxReply::Garbled;
    if (heard != 2)
        return false;
    std::size_t n = frameBodyLength(rx);
    // A body that does not fit the buffer is never read; the rest of it runs
    // out while the next cycle waits for its ACK.
    if (n > kMaxReplyBodyLength)
        return false;
    if (!readExactly(link, std::span(rx).subspan(2, n + 1)))
        return false;
    if (!checkChecksum(rx)) {
        sendAcknowledge(link, NAK);
        return false;
    }
    // A well-formed reply too short for this command is as good as a reply
    // that never came: the caller would read bytes the box did not send.
    std::size_t payload = n >= 1 ? n - 1 : 0;
    if (payload < replyPayloadLength || n + 3 > frame.size())
        return false;
    sendAcknowledge(link, ACK);
    std::copy_n(rx.begin(), n + 3, frame.begin());
    return true;
}

} // namespace

void linkSleep(WriterLink& link, std::chrono::milliseconds duration)
{
    if (link.sleeper)
        link.sleeper(duration);
    else
        std::this_thread::sleep_for(duration);
}

bool openLink(WriterLink& link, int rate)
{
    if (!link.port)
        return false;
    link.port->close();
    if (!link.port->open(portDeviceName(link.comPortIndex, link.portOverride), rate, link.timing))
        return false;
    link.currentRate = rate;
    return true;
}

bool setLinkRate(WriterLink& link, int rate)
{
    if (!link.isOpen() || !link.port->setRate(rate))
        return false;
    link.currentRate = rate;
    return true;
}

void closeLink(WriterLink& link)
{
    if (link.isOpen())
        link.port->close();
}

bool sendFrame(WriterLink& link, std::span<const std::uint8_t> frame)
{
    std::size_t size = frameWireSize(frame);
    for (int attempt = 0; attempt < link.frameAttempts; ++attempt) {
        bool acknowledged = false;
        if (link.isOpen())
            link.port->discardInput();
        link.lastReply = BoxReply::Silent;
        if (link.isOpen() && size <= frame.size() && link.port->write(frame.first(size), link.timing)) {
            std::uint8_t ack[1] = {0};
            const bool heard = readExactly(link, ack);
            acknowledged = heard && ack[0] == ACK;
            if (heard && !acknowledged)
                link.lastReply = ack[0] == NAK ? BoxReply::Refused : BoxReply::Garbled;
        }
        if (acknowledged) {
            link.boxAnswered = true;
            return true;
        }
        linkSleep(link, link.timing.sendRetrySleep);
    }
    return false;
}

bool exchangeFrame(WriterLink& link, std::span<std::uint8_t> frame, std::size_t replyPayloadLength)
{
    for (int cycle = 0; cycle < link.frameAttempts; ++cycle) {
        if (sendFrame(link, frame) && receiveReply(link, frame, replyPayloadLength))
            return true;
        linkSleep(link, link.timing.exchangeRetrySleep);
    }
    return false;
}

void recordLinkFailure(WriterLink& link, LinkFault cause)
{
    link.failureCause = cause;
    ++link.failuresRecorded;
    switch (cause) {
    case LinkFault::Communication:
        link.failedReply = link.lastReply;
        break;
    case LinkFault::BusyTooLong:
        link.failedReply = BoxReply::Busy;
        break;
    case LinkFault::NoAgreement:
        link.failedReply = BoxReply::Garbled;
        break;
    default:
        link.failedReply = BoxReply::None;
        break;
    }
    if (cause != LinkFault::Communication && cause != LinkFault::BusyTooLong)
        return; // the caller names the request, or there is none
    // The request is still in frame (a failed exchange leaves it there).
    const auto& tx = link.frame;
    link.failedCommand = tx[2];
    constexpr std::uint8_t kPageCommands[] = {0x03, 0x15, 0x16}; // load, write, read page
    link.failedCommandHasPage =
        std::find(std::begin(kPageCommands), std::end(kPageCommands), tx[2]) != std::end(kPageCommands);
    link.failedPage = link.failedCommandHasPage ? std::uint16_t(tx[3] | (tx[4] << 8)) : 0;
}

} // namespace plx71
