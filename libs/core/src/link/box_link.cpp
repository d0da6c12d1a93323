#include "link/box_link.hpp"

#include "plx71/port/port_names.hpp"

#include <algorithm>
#include <thread>

namespace plx71 {

namespace {

// One acknowledge byte, sent alone; the result does not matter: a lost ACK
// or NAK shows up as a repeated reply or a repeated request.
void sendAcknowledge(BoxLink& link, std::uint8_t byte)
{
    const std::uint8_t b[1] = {byte};
    link.port->write(b, link.timing);
}

bool readExactly(BoxLink& link, std::span<std::uint8_t> buffer)
{
    return link.port->read(buffer, link.timing) == buffer.size();
}

// One cycle of exchangeFrame after the request was acknowledged: receive the
// reply into link.received, acknowledge it and hand it over. False for a failed
// cycle.
bool receiveReply(BoxLink& link, std::span<std::uint8_t> frame, std::size_t replyPayloadLength)
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

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

Clock::time_point linkNow(const BoxLink& link)
{
    return link.clock ? link.clock() : Clock::now();
}

// How long `bytes` take on the line at the link's rate: 11 bits each.
Clock::duration lineTime(const BoxLink& link, std::size_t bytes)
{
    if (link.currentRate <= 0)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::microseconds(static_cast<long long>(bytes) * 11 * 1000000 / link.currentRate));
}

// What one attempt of a recovering frame met.
enum class Attempt {
    Done,     // acknowledged (and, for an exchange, a good reply taken)
    Refused,  // the box answered NAK: it took the whole frame and refused it
    Damaged,  // the answer byte came spoilt (a marked byte, or neither ACK nor NAK)
    BadReply, // a whole reply refused with NAK: wrong length, a marked byte, its check sum
    Lost,     // the reply stopped short, or never came after a spoilt answer
    Silent,   // no answer at all (or the port would not write)
};

// Reads and throws away whatever still comes, until the line has been quiet
// for a few character times: the rest of a spoilt answer is not taken for
// the next one.
void drainUntilQuiet(BoxLink& link)
{
    LinkTiming quick = link.timing;
    const auto gap = std::chrono::ceil<milliseconds>(lineTime(link, 3)) + milliseconds(2);
    quick.readInterval = quick.readConstant = gap;
    quick.readPerByte = milliseconds(0);
    std::array<std::uint8_t, 64> sink{};
    for (int reads = 0; reads < 16 && link.port->read(sink, quick) > 0; ++reads) {
    }
    link.port->takeParityError();
}

// Writes the request and reads the box's one-byte answer. `quietSince`: from
// when the box's side of the line has been quiet, as far as this side knows.
Attempt requestOnce(BoxLink& link, std::span<const std::uint8_t> request, Clock::time_point& quietSince)
{
    quietSince = linkNow(link);
    const std::size_t size = frameWireSize(request);
    if (!link.isOpen() || size > request.size())
        return Attempt::Silent;
    link.port->discardInput();
    if (!link.port->write(request.first(size), link.timing))
        return Attempt::Silent;
    // A pseudo-terminal's write returns before the bytes would have left a
    // line; a paced one after: counting the line time again only errs long.
    quietSince = linkNow(link) + lineTime(link, size);
    std::uint8_t answer[1] = {0};
    if (!readExactly(link, answer))
        return Attempt::Silent;
    if (link.port->takeParityError())
        return Attempt::Damaged;
    if (answer[0] == ACK)
        return Attempt::Done;
    return answer[0] == NAK ? Attempt::Refused : Attempt::Damaged;
}

// The reply of a recovering exchange into link.received, then (good) over
// `out`. A refused reply is read to the end the command's reply has before
// the NAK, so that both sides are done with it.
Attempt receiveOnce(BoxLink& link, std::span<std::uint8_t> out, ReplyShape shape)
{
    auto& rx = link.received;
    std::fill(rx.begin(), rx.end(), std::uint8_t{0});
    if (!readExactly(link, std::span(rx).first(2)))
        return Attempt::Lost;
    const std::size_t n = frameBodyLength(rx);
    const std::size_t expected = shape.payload + 1;
    const bool lengthWrong = shape.exact && n != expected;
    if (n > kMaxReplyBodyLength && !lengthWrong) {
        drainUntilQuiet(link); // never read past the buffer; nor take the rest for an answer
        return Attempt::Lost;
    }
    if (!readExactly(link, std::span(rx).subspan(2, (lengthWrong ? expected : n) + 1)))
        return Attempt::Lost;
    const bool marked = link.port->takeParityError();
    const bool sumGood = !lengthWrong && checkChecksum(rx);
    if (!marked && !sumGood && !lengthWrong && link.port->reportsParityErrors())
        link.parityMarksMissed = true; // a damaged byte that was not marked
    if (lengthWrong || marked || !sumGood) {
        sendAcknowledge(link, NAK);
        return Attempt::BadReply;
    }
    if ((n >= 1 ? n - 1 : 0) < shape.payload || n + 3 > out.size())
        return Attempt::Lost; // well formed, too short for the command: as a reply that never came
    sendAcknowledge(link, ACK);
    std::copy_n(rx.begin(), n + 3, out.begin());
    link.lastReplyParityChecked = link.port->reportsParityErrors() && !link.parityMarksMissed;
    return Attempt::Done;
}

// What a failed attempt leaves to wait for before the next: nothing when the
// box took the whole frame (NAK, a refused reply); the rest of a spoilt
// answer; after a time-out, a quiet line of timing.sendRetrySleep since the
// frame's end, of which the time-out has mostly been.
void afterFailedAttempt(BoxLink& link, Attempt what, Clock::time_point quietSince)
{
    if (what == Attempt::Damaged) {
        drainUntilQuiet(link);
    } else if (what == Attempt::Silent || what == Attempt::Lost) {
        const auto quiet = linkNow(link) - quietSince;
        if (quiet < link.timing.sendRetrySleep)
            linkSleep(link, std::chrono::ceil<milliseconds>(link.timing.sendRetrySleep - quiet));
    }
}

// sendFrame (reply null) or exchangeFrame of a recovering job.
bool recoveringFrame(BoxLink& link, std::span<const std::uint8_t> request, std::span<std::uint8_t> out,
                     const ReplyShape* reply)
{
    int silentInARow = 0;
    bool refusedOnly = true;
    link.lastReplyParityChecked = false;
    link.lastFrameRefused = false;
    BoxLink::AttemptCount& count = attemptCountOf(link, frameWireSize(request));
    for (int attempt = 0; attempt < link.frameAttempts; ++attempt) {
        Clock::time_point quietSince;
        ++count.sent;
        Attempt what = requestOnce(link, request, quietSince);
        link.boxAnswered = link.boxAnswered || what == Attempt::Done;
        // A spoilt answer to a request with a reply was mostly an ACK: its
        // reply tells.
        if (reply && (what == Attempt::Done || what == Attempt::Damaged)) {
            const Attempt got = receiveOnce(link, out, *reply);
            what = got == Attempt::Lost && what == Attempt::Damaged ? Attempt::Damaged : got;
        }
        if (what == Attempt::Done) {
            link.boxAnswered = true;
            return true;
        }
        ++count.failed;
        refusedOnly = refusedOnly && what == Attempt::Refused;
        silentInARow = what == Attempt::Silent ? silentInARow + 1 : 0;
        afterFailedAttempt(link, what, quietSince);
        if (silentInARow >= link.silentAttempts)
            break;
    }
    link.lastFrameRefused = refusedOnly;
    return false;
}

} // namespace

void linkSleep(BoxLink& link, std::chrono::milliseconds duration)
{
    if (link.sleeper)
        link.sleeper(duration);
    else
        std::this_thread::sleep_for(duration);
}

bool openLink(BoxLink& link, int rate)
{
    if (!link.port)
        return false;
    link.port->close();
    if (!link.port->open(portDeviceName(link.comPortIndex, link.portOverride), rate, link.timing))
        return false;
    link.currentRate = rate;
    return true;
}

bool setLinkRate(BoxLink& link, int rate)
{
    if (!link.isOpen() || !link.port->setRate(rate))
        return false;
    link.currentRate = rate;
    return true;
}

void closeLink(BoxLink& link)
{
    if (link.isOpen())
        link.port->close();
}

bool sendFrame(BoxLink& link, std::span<const std::uint8_t> frame)
{
    if (link.recovering)
        return recoveringFrame(link, frame, {}, nullptr);
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

bool exchangeFrame(BoxLink& link, std::span<std::uint8_t> frame, ReplyShape reply)
{
    if (link.recovering)
        return recoveringFrame(link, frame, frame, &reply);
    for (int cycle = 0; cycle < link.frameAttempts; ++cycle) {
        if (sendFrame(link, frame) && receiveReply(link, frame, reply.payload))
            return true;
        linkSleep(link, link.timing.exchangeRetrySleep);
    }
    return false;
}

BoxLink::AttemptCount& attemptCountOf(BoxLink& link, std::size_t wireSize)
{
    return wireSize > 64 ? link.pageFrames : link.smallFrames;
}

void recordLinkFailure(BoxLink& link, LinkFault cause)
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
