#pragma once
// One writer box, driven from start to end: the single way every front end
// (PLX71RD, Plx71Ldr, plx71, a gang of boxes, the tests) talks to a box. The
// session owns that box's link; each operation is given its port and rate
// (BoxTarget) and runs in one shape: connect at 9600 bit/s, switch to the
// chosen rate, read the versions, the operation, back to 9600 bit/s, close.
// It reports failures once through its Ui (the messages the user sees), shows
// progress through the sink it is given, and returns an outcome a program can
// act on.
//
// One thread uses a session at a time; sessions of different boxes share
// nothing but read-only job data, so a gang runs one per thread.
#include "plx71/datafile/firmware_file_reader.hpp"
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_job.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/port/link_rates.hpp"
#include "plx71/port/port_choice.hpp"
#include "plx71/port/serial_port.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace plx71 {

struct LinkTiming;
struct BoxLink;

// The box answers CMD_READ_SETTINGS in one frame of at most 297 body bytes:
// 25 fixed bytes plus the device name and both file names.
inline constexpr std::size_t kMaxSettingsReplyBody = 297;
inline constexpr std::size_t kSettingsReplyFixedBytes = 25;
std::size_t settingsReplyLength(const DeviceRecord& device, std::string_view userRomFileName,
                                std::string_view bootRomFileName);
std::size_t settingsReplyLength(const DeviceRecord& device, const JobSettings& job);
bool settingsReplyFits(const DeviceRecord& device, const JobSettings& job);

// How hard a job works to finish on a noisy line. Off by default: the box
// then sees exactly the frames a job has always sent, and the first command
// that fails its three attempts ends the job.
struct RecoveryPolicy {
    bool on = false;
    // Requests per frame. A page frame is about 2,400 bits with parity: at
    // a bit error rate of 1e-4 one attempt in five is hit. A refused or
    // spoilt attempt is sent again at once (a page frame's time), so ten
    // cost little and leave 1e-7 of the pages failing: even the 1,056 page
    // reads of an upload rarely need a resync. A box that never answers
    // ends a frame after three time-outs in a row (BoxLink::silentAttempts).
    int frameAttempts = 10;
    // Resyncs (back to 9600 bit/s, then to the job's rate) per job. At 1e-4
    // a job needs none or one; sixteen still see a job through a burst of
    // bad pages, and bound a dead line to a few minutes.
    int maxResyncs = 16;
    // Restarts of a download from the erase. The first runs at the same
    // rate, each further one a rate lower: five reach 9600 bit/s from
    // 115200, where a line that fails even there is not worth another.
    int maxRestarts = 5;
    // Re-reads of a page that the read-back found different.
    int pageRereads = 4;

    static RecoveryPolicy enabled()
    {
        RecoveryPolicy p;
        p.on = true;
        return p;
    }
};

struct DownloadOptions {
    bool verify = true; // read the job back before the way back to 9600
    // Leave out the pages whose 256 bytes are all 0xFF. Off by default: what
    // the box does with pages it never receives is not known, so by default
    // every page goes out. The read-back still reads every page.
    bool skipBlank = false;
};

// Where one operation goes: the port the box is reached through and the link
// rate the operation runs at. Each operation is given it, so nothing aims the
// session beforehand.
struct BoxTarget {
    PortChoice port;
    LinkRate rate = kDefaultLinkRate;

    bool operator==(const BoxTarget&) const = default;
};

class BoxSession {
public:
    explicit BoxSession(Ui& ui, std::unique_ptr<SerialPort> serialPort = makeSystemSerialPort());
    BoxSession(const BoxSession&) = delete;
    BoxSession& operator=(const BoxSession&) = delete;
    ~BoxSession();

    // Replaces the link's time-outs and pauses (tests and gangs shorten them).
    void setTiming(const LinkTiming& timing);
    // How hard the next operations work on a noisy line (off by default).
    // On: more attempts per frame; download, verify and upload resync and
    // go on from the page that failed, re-read a page that differs, and a
    // download that fails starts again from the erase (from the second time
    // a rate lower). The firmware download only makes more attempts.
    void setRecovery(const RecoveryPolicy& policy) { recovery_ = policy; }
    const RecoveryPolicy& recovery() const { return recovery_; }

    // The versions the box reported last; empty before any answer.
    const std::string& firmwareVersion() const;
    const std::string& bootVersion() const;
    // The port is open: an operation runs, or one was left half-way.
    bool connected() const;
    // When the port is open: the box back to 9600 bit/s, then the port closed.
    void closeAtRestingRate();

    // Stores the job's settings and data in the box, then (unless
    // options.verify is off) reads them back and compares. Refused before
    // anything is sent: a job that is not sendable (FileError, no message),
    // or whose file names do not fit the box (FileError, stop-icon message).
    BoxOutcome download(const BoxTarget& target, const BoxJob& job, ProgressSink& sink, DownloadOptions options = {});
    // Compares the box with the job without writing anything: the settings
    // record and every page a download of this job would write.
    BoxOutcome verify(const BoxTarget& target, const BoxJob& job, ProgressSink& sink);
    // Reads the box's job into state and job (outcome.settingsApplied says
    // whether they changed); after a complete read the image texts are
    // recomputed. With `readTwice` (always while recovering) every page is read until two reads in a
    // row agree (at most four reads; else a communication error): the one-
    // byte check sum of a reply lets some bit errors through. While
    // recovering, a page whose first read passed the port's parity check,
    // or reads blank, is read once.
    BoxOutcome upload(const BoxTarget& target, PcJobState& state, JobSettings& job, ProgressSink& sink,
                      bool readTwice = false);
    // The loader's "Read Version": versions at the chosen rate.
    BoxOutcome readVersions(const BoxTarget& target);
    // Help > About: CMD_READ_VERSIONS on `port` at 9600 bit/s without a rate switch;
    // firmwareVersion() is emptied when the query fails and keeps its text
    // when the port cannot be opened.
    BoxOutcome queryFirmwareVersion(const PortChoice& port);
    // The loader's firmware download ("Loading..." with `firmwarePath`).
    BoxOutcome loadFirmware(const BoxTarget& target, const FirmwareImage& image, const std::string& firmwarePath,
                            ProgressSink& sink);

private:
    friend struct BoxSessionAccess; // tests reach the link through it

    Ui& ui_;
    RecoveryPolicy recovery_;
    std::unique_ptr<BoxLink> ownLink_;
    BoxLink& link_; // *ownLink_
};

} // namespace plx71
