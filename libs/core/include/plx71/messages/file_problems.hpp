#pragma once
// What was wrong with a file a reader was given, as values: which file,
// which line, which address, which rule. The readers return them and show
// nothing; the words a person sees are made here, once (describeProblem),
// and each front end shows them through its Ui (reportProblem).
#include "plx71/messages/ui.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

namespace plx71 {

// The rule a data or firmware file broke.
enum class DataFileRule {
    CannotRead,        // missing, unreadable, or no regular file
    TooLarge,          // larger than any data file can be (a device, an endless pipe)
    Malformed,         // a record of interest cannot be decoded
    ChecksumMismatch,  // a record's check sum field disagrees with its bytes
    OutsideArea,       // a data record reaches outside the area
    NoData,            // no data record puts a byte into the area
    NoEndRecord,       // the file ends without its end record: it may be cut short
    Conflict,          // two records put different bytes at one address
    BelowFirmwareArea, // a firmware record starts below the firmware area
    ProtectedDeclined, // a protected program that was not taken (the question's Cancel)
};

struct DataFileProblem {
    DataFileRule rule = DataFileRule::CannotRead;
    std::string file;            // as given (UTF-8); empty for text read from memory
    std::size_t line = 0;        // 1-based line of the record; Conflict: the earlier one; 0: none
    std::size_t otherLine = 0;   // Conflict: the later line
    std::uint64_t address = 0;   // OutsideArea: the record's first address; Conflict: the lowest differing one
    std::uint32_t areaStart = 0; // OutsideArea: the area
    std::uint32_t areaEnd = 0;
    bool sRecords = false;     // NoData: read as S-records (whose S1 records are not read)
    std::uint8_t found = 0;    // ChecksumMismatch: the check sum field
    std::uint8_t expected = 0; // and what the bytes give
    int protectLevel = 0;      // ProtectedDeclined: 1 or 2

    bool operator==(const DataFileProblem&) const = default;
};

// The rule a project file broke.
enum class ProjectRule {
    NotFound,     // missing, or no regular file
    AccessDenied, // a folder, or not ours to read
    ReadError,    // the read failed on the way
    NotAProject,  // not a sound project for this device table
};

struct ProjectProblem {
    ProjectRule rule = ProjectRule::NotAProject;
    std::string file; // as given (UTF-8)

    bool operator==(const ProjectProblem&) const = default;
};

// A project that opens but holds nothing a box could be sent.
enum class Unsendable { NoDeviceType, NoUserRomData };
// Where the words go: a terminal ends the job with them; a window tells the
// operator what to do about it.
enum class Wording { Terminal, Window };
// "<project>: no device type selected; nothing sent" (Terminal),
// "<project>: no device type selected; nothing can be sent. Choose one in
// PLX71RD." (Window); the same for User ROM data ("Load it in PLX71RD.").
std::string unsendableText(Unsendable why, const std::string& projectPath, Wording wording);

// The message and the detail line behind it (empty when none). A declined
// protected program has no words: the person has just answered.
FailureText describeProblem(const DataFileProblem& problem);
FailureText describeProblem(const ProjectProblem& problem);

// The problem as a stop-icon message on `ui`, with its detail line when it
// has one; a declined protected program shows nothing.
void reportProblem(Ui& ui, const DataFileProblem& problem);
void reportProblem(Ui& ui, const ProjectProblem& problem);

} // namespace plx71
