#pragma once
// The writer box's command interpreter: takes one checked request frame,
// updates the stored job and says what goes back on the line. No I/O and
// no locking; the simulator serialises calls and supplies the clock.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "plx71sim/stored_job.hpp"
#include "plx71sim/wire.hpp"

namespace plx71sim {

using Clock = std::chrono::steady_clock;

// Misbehaviour switched on by tests. Counts are used up one frame at a time.
struct Faults {
    int dropAcks = 0;                  // next N good frames: no answer at all, not acted on
    int naks = 0;                      // next N good frames: NAK, not acted on
    int corruptReplies = 0;            // next N reply frames go out with a wrong checksum
    bool silent = false;               // answer nothing (frames are not acted on)
    bool stayBusy = false;             // status reports busy whatever happens
    bool noSettings = false;           // settings query reports name length 0
    std::set<std::uint16_t> failPages; // page writes of these numbers are NAKed
    // Page reads of these numbers hand back the stored page with the byte at
    // the mapped offset inverted (the store itself is untouched).
    std::map<std::uint16_t, std::uint8_t> flipReads;
    // The settings query answers with this field changed (the store itself is
    // untouched): one of kSettingFields, empty for none.
    std::string alterSetting;
    // An erase leaves these User ROM pages holding 0x00 instead of blanking
    // them: a box whose erased pages are not all 0xFF.
    std::set<std::uint16_t> unerasedPages;

    // Switches the fault of one page on or off.
    void failPage(std::uint16_t page, bool on)
    {
        if (on)
            failPages.insert(page);
        else
            failPages.erase(page);
    }
    void flipRead(std::uint16_t page, std::uint8_t offset, bool on)
    {
        if (on)
            flipReads[page] = offset;
        else
            flipReads.erase(page);
    }
};

// The settings fields alterSetting can change. Numbers get their lowest bit
// inverted; texts get their last character replaced (or one added).
inline constexpr const char* kSettingFields[] = {"device",         "device-name",    "update-enable",
                                                 "user-file-name", "boot-file-name", "check-id",
                                                 "target-rate",    "lock-bits",      "operation-blocks"};
bool isSettingField(const std::string& name);
// The record with `field` changed as alterSetting says.
WriterSettings alteredSettings(WriterSettings s, const std::string& field);

enum class Outcome {
    Acked,        // ACK, no reply
    Replied,      // ACK and a reply frame
    Rejected,     // NAK: unknown code, bad length or field, refused page
    BadChecksum,  // NAK: checksum wrong
    FaultNak,     // NAK by the nak fault
    FaultDropped, // nothing sent, by the drop-ack fault
    FaultSilent,  // nothing sent, box silent
};

// One request as the box received it, in arrival order.
struct ReceivedCommand {
    std::uint8_t code = 0;
    Bytes payload;
    Outcome outcome = Outcome::Acked;
    bool busy = false; // the box was busy when it arrived
    int rate = 0;      // link rate it arrived at
    Clock::time_point when;
};

struct Answer {
    Bytes bytes;             // ACK/NAK byte, then the reply frame if any
    bool hasReply = false;   // the PC answers the reply with ACK/NAK
    int sendRate = 0;        // rate the bytes go out at (before any switch)
    bool jobChanged = false; // the stored job changed
    bool checkpoint = false; // a natural point to save the stored job
    Outcome outcome = Outcome::Acked;
};

struct BoxConfig {
    std::string bootVersion = "BOOT V1.00 2001 ";
    std::string firmwareVersion = "V1.30 2001/12/25";
    std::chrono::milliseconds busyTime{50};
    bool strictBusy = false; // NAK erase/page/commit commands while busy
    // How many of the latest requests received() keeps: a box serving job
    // after job must not grow without bound. Tests keep them all.
    std::size_t keepReceived = SIZE_MAX;
};

class SoftwareBox {
public:
    explicit SoftwareBox(const BoxConfig& config = {});

    Answer onFrame(std::uint8_t code, std::span<const std::uint8_t> payload, Clock::time_point now);
    Answer onBadChecksum(std::span<const std::uint8_t> frame, Clock::time_point now);

    int rate() const { return rate_; }
    void setRate(int bitsPerSecond) { rate_ = bitsPerSecond; }
    bool busy(Clock::time_point now) const;

    StoredJob& job() { return job_; }
    const StoredJob& job() const { return job_; }
    Faults& faults() { return faults_; }
    const Faults& faults() const { return faults_; }
    BoxConfig& config() { return config_; }

    const std::vector<ReceivedCommand>& received() const { return received_; }
    void clearReceived() { received_.clear(); }

private:
    friend struct BoxCommands; // the command handlers (software_box.cpp)
    enum class Loader { Off, Entered, Prepared };

    Answer execute(std::uint8_t code, std::span<const std::uint8_t> p, Clock::time_point now);
    void leaveUnerasedPages();
    Answer reply(std::uint8_t code, const Bytes& payload);
    bool settingsFit(std::size_t name, std::size_t user, std::size_t boot) const;
    void startBusy(Clock::time_point now) { busyUntil_ = now + config_.busyTime; }
    void keep(ReceivedCommand rc);

    BoxConfig config_;
    StoredJob job_;
    Faults faults_;
    int rate_ = kRestRate;
    Clock::time_point busyUntil_{};
    Loader loader_ = Loader::Off;
    std::vector<ReceivedCommand> received_;
    // The version text of the firmware being loaded: it becomes the box's
    // only with the last page, so a load cut short keeps the old one.
    std::string loadingVersion_;
};

} // namespace plx71sim
