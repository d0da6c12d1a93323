#pragma once
// What one box session ended with, for programs: exit codes, JSON results,
// production records, the GUI's choice of follow-up, and the message a
// front end shows for it (failureMessage). An outcome never shows anything
// itself: the session hands it to Ui::operationFailed.
#include "plx71/messages/ui.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plx71 {

enum class OutcomeClass {
    Success,
    Cancelled,                // Cancel, Ctrl-C, SIGTERM, SIGHUP
    PortNotFound,             // no such device
    PortPermissionDenied,     // the device exists, the user may not open it
    PortBusy,                 // held by another process (or by this one)
    NoAnswer,                 // the port opened, the box never acknowledged anything
    CommunicationError,       // the box answered, then a command failed
    FirmwareVersionDifferent, // the box's firmware does not fit this program
    SettingsNotLoaded,        // the box holds no job (upload, verify)
    VerifyMismatch,           // read back, and the box holds something else
    FileError,                // a data, project or firmware file cannot be used
    OutputNotWritten,         // a file the job should have written is not there
};

// Stable lower-case names for JSON and records: "success", "cancelled",
// "port-not-found", "port-permission-denied", "port-busy", "no-answer",
// "communication-error", "firmware-version-different", "settings-not-loaded",
// "verify-mismatch", "file-error", "output-not-written".
std::string_view outcomeClassName(OutcomeClass c);
bool isPortProblem(OutcomeClass c);

// The stable result codes: plx71 exits with them, the records of every
// program carry them, scripts and production lines branch on them.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,      // a message was shown or a question got Cancel
    kExitUsage = 2,       // bad command line, unknown device
    kExitFileError = 3,   // a data, project or firmware file; an output not written
    kExitPortProblem = 4, // port not found, permission denied, busy
    kExitNoAnswer = 5,    // no answer from the box, or a communication error
    kExitBoxRefused = 6,  // firmware version different, settings not loaded
    kExitVerifyMismatch = 7,
    kExitHangup = 129,      // SIGHUP: cancelled, box back at 9600, port closed
    kExitInterrupted = 130, // Ctrl-C (SIGINT): the same
    kExitQuit = 131,        // SIGQUIT: the same
    kExitTerminated = 143,  // SIGTERM: the same
};
// The code of a class: Cancelled 1, FileError and OutputNotWritten 3, the
// port problems 4, NoAnswer and CommunicationError 5, FirmwareVersionDifferent
// and SettingsNotLoaded 6, VerifyMismatch 7.
int outcomeExitCode(OutcomeClass c);

// Why a port could not be opened, as far as the system can tell.
struct PortProblem {
    std::string cause;  // one line for a person ("permission denied: ...")
    std::string group;  // the group owning the device (permission denied)
    long holderPid = 0; // the process holding a busy port; 0 when unknown
};

// The first difference a verify found: an address, or a settings field.
struct VerifyDifference {
    std::optional<std::uint32_t> address; // the first differing byte
    std::string field;                    // or the settings field ("device", "userRomFileName", ...)
    std::uint8_t expected = 0;            // the byte sent / held by the job (address only)
    std::uint8_t found = 0;               // the byte the box returned (address only)

    bool any() const { return address.has_value() || !field.empty(); }
    // "0C1230" (six upper-case hex digits) or the field name.
    std::string where() const;
};

// Why the session refused a job as a FileError before sending anything; the
// message depends on it.
enum class JobRefusal : std::uint8_t {
    None,
    FileNameTooLong,    // filePath: the name beyond the box's one-byte length field
    NamesTooLongForBox, // namesLength: the device and file names overflow the settings reply
};

// How the box took the command that failed: it stopped answering (nothing
// came back), refused it (NAK), answered with no good reply (another byte, a
// garbled or short reply, page reads that never agreed), or stayed busy.
enum class CommandReply : std::uint8_t { None, Silent, Refused, Garbled, Busy };

struct BoxOutcome;
// The message of a failed outcome, worded the same for every front end:
// "COM1 cannot be used" (with the port's problem as its detail),
// "Communication error between PLX-71RD", "Firmware Version is different",
// "Settings not loaded", the verify error, a refused job's file names. Empty
// text for an outcome that is shown with no message (success, Cancel, a job
// with nothing to send, a file the front end reported itself).
FailureText failureMessage(const BoxOutcome& outcome);

// What a recovering job took, in one line: "finished at 57600 bit/s after 2
// restarts" ("... after 1 restart and 3 resyncs"; nothing after the rate
// when it took neither).
std::string finishedLine(const BoxOutcome& outcome);

struct BoxOutcome {
    OutcomeClass kind = OutcomeClass::Success;

    // The port as chosen and as opened.
    std::string portName;   // "COM1" or the path
    std::string devicePath; // the device the session opened (or tried)
    std::string stableName; // the choice's stable name, when it had one
    std::string portGiven;  // the port as the operator named it, when named
    std::string deviceNode; // the device node the link ends at (links followed)
    PortProblem portProblem;

    // A failed command: "CMD_WRITE_PAGE" and, for page commands, the page.
    std::string failedCommand;
    std::optional<std::uint16_t> failedPage;
    CommandReply failedReply = CommandReply::None;

    VerifyDifference difference; // VerifyMismatch
    std::string filePath;        // FileError, OutputNotWritten
    JobRefusal refusal = JobRefusal::None;
    std::size_t namesLength = 0; // NamesTooLongForBox: characters of the device and file names

    // What the session learnt on the way.
    std::string bootVersion; // the box's texts, when the query was answered
    std::string firmwareVersion;
    std::int32_t pagesWritten = 0;  // page writes the box acknowledged
    std::int32_t pagesVerified = 0; // pages read back and found equal
    std::int32_t pagesSkipped = 0;  // blank pages left out by a skip-blank download
    bool skipBlank = false;         // the download left out blank pages
    bool verified = false;          // a read-back verify ran to its end and matched
    bool settingsApplied = false;   // upload: the box's settings reached the job
    bool notReadBack = false;       // firmware: every page acknowledged, none can be read back
    int linkRate = 0;               // bit/s of the job's last frames; 0 before the rate switch
    int resyncs = 0;                // recovery: reconnects after a failed page read
    int restarts = 0;               // recovery: downloads begun again from the erase
    bool recovery = false;          // the job ran with recovery on
    std::chrono::milliseconds duration{0};

    bool ok() const { return kind == OutcomeClass::Success; }
};

} // namespace plx71
