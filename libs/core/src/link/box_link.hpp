#pragma once
// The link to one writer box: its port, frame buffers, the user's port and
// rate choice and the version texts the box reported. One per box, owned by
// the operation (or program, or test) that talks to it; several can coexist.
// Only one thread uses a link at a time.
#include "link/frame.hpp"
#include "plx71/port/link_rates.hpp"
#include "plx71/port/link_timing.hpp"
#include "plx71/port/serial_port.hpp"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace plx71 {

// Why the link's last command failed. The link shows nothing: its owner
// reads the failure and decides what the user is told.
enum class LinkFault : std::uint8_t {
    None,
    PortUnusable,  // the port could not be opened
    Communication, // no acknowledge or no good reply within the attempts
    BusyTooLong,   // the box said busy for longer than a healthy one takes
    NameTooLong,   // a file name beyond the one-byte length field, never sent
    NoAgreement,   // every read answered, but no two reads of a page agreed
};

// What came back for a frame: nothing at all, a NAK, something that was no
// good answer (another byte, a garbled or short reply; reads that never
// agreed), or a status that stayed busy.
enum class BoxReply : std::uint8_t { None, Silent, Refused, Garbled, Busy };

struct BoxLink {
    std::unique_ptr<SerialPort> port = makeSystemSerialPort();
    int comPortIndex = 0;     // 0..3 = COM1..COM4
    std::string portOverride; // a device path used instead of COM<n>, when set
    int currentRate = 0;      // the rate of the last open, 0 before any

    // The request being sent; after a successful exchange, its reply (copied
    // over the request), so a caller reads reply fields from frame. A failed
    // exchange leaves the request.
    std::array<std::uint8_t, kFrameCapacity> frame{};
    // The last frame read from the box, before its check sum was checked.
    std::array<std::uint8_t, kReceivedCapacity> received{};

    std::string firmwareVersion; // at most 16 characters
    std::string bootVersion;     // at most 16 characters

    // What a result needs to say about the link's last failure: whether the
    // box has acknowledged anything since the owner cleared the mark (an
    // answer tells a silent box from one that failed later), and the
    // request and cause of the last recorded failure. failuresRecorded
    // counts recordLinkFailure calls, so an owner tells a new failure from
    // one it has seen.
    bool boxAnswered = false;
    LinkFault failureCause = LinkFault::None;
    int failuresRecorded = 0;
    std::uint8_t failedCommand = 0; // its command code; 0 = none
    std::uint16_t failedPage = 0;   // its page number, for page commands
    bool failedCommandHasPage = false;
    BoxReply failedReply = BoxReply::None; // how the box took it
    BoxReply lastReply = BoxReply::None;   // how it took the last frame attempt

    // Attempts of sendFrame and cycles of exchangeFrame per frame. Three is
    // the box's own count; a recovering job raises it.
    int frameAttempts = 3;

    // A recovering job's frames (on while a recovery runs): after a failed
    // attempt the link waits only as long as what happened needs (see
    // sendFrame), refuses a reply of the wrong length or with a byte the
    // port marked at once, and gives up on a silent box after silentAttempts
    // time-outs in a row. Off: the box's own rules, unchanged.
    bool recovering = false;
    int silentAttempts = 3;
    // What the last frame met, for a recovering job: every failed attempt
    // was refused with NAK (the box, not the line, said no); the reply came
    // through the port's parity check as well as its check sum.
    bool lastFrameRefused = false;
    bool lastReplyParityChecked = false;
    // A recovering job's attempts so far, and how many failed, for frames
    // of a page (large) and the rest: how often noise spoils a frame here.
    struct AttemptCount {
        int sent = 0;
        int failed = 0;
    };
    AttemptCount pageFrames, smallFrames;
    // A reply failed its check sum with no byte marked, on a port that says
    // it marks them: its marks are not to be trusted for the rest of the job.
    bool parityMarksMissed = false;

    LinkTiming timing;
    // How the link sleeps and tells the time; tests may record and move their own.
    std::function<void(std::chrono::milliseconds)> sleeper;
    std::function<std::chrono::steady_clock::time_point()> clock;

    BoxLink() = default;
    explicit BoxLink(std::unique_ptr<SerialPort> p) : port(std::move(p)) {}

    bool isOpen() const { return port && port->isOpen(); }
};

// Sleeps through link.sleeper (std::this_thread::sleep_for when unset).
void linkSleep(BoxLink& link, std::chrono::milliseconds duration);

// Opens the chosen port exclusively at `rate` with the fixed line settings.
// False when it cannot be opened; the caller reports it (connectWriter does).
bool openLink(BoxLink& link, int rate);
// Moves the open port to `rate` without closing it. False when the port is
// not open or refuses the rate (the link then keeps its old rate).
bool setLinkRate(BoxLink& link, int rate);
// Closes the port when open; calling it twice is harmless.
void closeLink(BoxLink& link);

// Sends a finished request frame and waits for ACK: up to frameAttempts, each
// failure (write error, time-out, NAK or any other byte) followed by a
// sleep of timing.sendRetrySleep, the last one included.
// Recovering, a failed attempt is sent again as soon as both sides are done
// with it: at once after a NAK or a damaged answer (the box took the whole
// frame), and after a time-out once the line has been quiet for
// timing.sendRetrySleep since the frame's end (the box drops a broken frame
// after a quiet line; the time-out itself was quiet).
bool sendFrame(BoxLink& link, std::span<const std::uint8_t> frame);

// What a command's reply carries: at least `payload` bytes, or exactly that
// many (a length field that differs is a broken reply).
struct ReplyShape {
    std::size_t payload = 0;
    bool exact = false;
};

// sendFrame, then receives the reply frame, answers ACK (good checksum) or
// NAK (bad checksum) and copies the reply over `frame`. Up to frameAttempts cycles with
// timing.exchangeRetrySleep after each failed one. A reply whose length field
// does not fit link.received, or whose payload is shorter than reply.payload,
// fails the cycle like a short read (no acknowledge byte). On failure `frame`
// is left as it was.
// Recovering, each attempt sends the request once and reads its reply (also
// after a damaged acknowledge: mostly a spoilt ACK); a reply refused (NAK)
// for its check sum, a marked byte or, with reply.exact, its length (read to
// its expected end first) is asked for again at once. Up to frameAttempts
// requests.
bool exchangeFrame(BoxLink& link, std::span<std::uint8_t> frame, ReplyShape reply = {});

// Records a failure and its cause. For Communication and BusyTooLong the
// request still in link.frame names the command and, for page commands, the
// page; for the other causes the caller sets the marks.
void recordLinkFailure(BoxLink& link, LinkFault cause);

// The count a frame of `wireSize` bytes goes to.
BoxLink::AttemptCount& attemptCountOf(BoxLink& link, std::size_t wireSize);

} // namespace plx71
