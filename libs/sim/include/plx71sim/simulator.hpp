#pragma once
// plx71sim::Simulator: the writer box on a Linux pseudo-terminal, running on
// its own thread. The PC side opens slavePath() like any serial device.
//
//   plx71sim::Options o;
//   o.box.busyTime = std::chrono::milliseconds(5);
//   plx71sim::Simulator sim(o);
//   if (!sim.start()) fail(sim.lastError());
//   setenv("PLX71_COM1", sim.slavePath().c_str(), 1);
//   sim.state()->box.faults().silent = true; // locked for this statement
//   ... run the PC side ...
//   sim.waitFor([&] { return sim.state()->box.rate() == 9600; }, std::chrono::seconds(2));
//   auto cmds = sim.state()->box.received(); // a copy: every request, in order
//   sim.stop();                              // joins; also done by the destructor
//
// The box starts at 9600 bit/s, odd parity. Whenever bytes arrive it reads
// the line settings the PC side put on the terminal; bytes sent while the
// rate or the odd-parity/parity-check flags do not match what the box
// expects are dropped, as a real UART would garble them. Answers the box
// sends while the PC's settings do not match are dropped too.
//
// The box's state is shared with the thread that serves the line; state()
// hands it out under the lock. Fault switches act on the frames that arrive
// after the change.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "plx71sim/software_box.hpp"
#include "plx71sim/stored_job.hpp"

namespace plx71sim {

// Bit errors on the line: each bit of a character (8 data bits and the
// parity bit) is inverted with the given probability, in the PC-to-box and
// box-to-PC direction. The same seed and the same bytes give the same
// errors. A pseudo-terminal carries no parity: the PC side gets the data
// bits as they came, unmarked, as a port that does not check parity would.
struct LineNoiseOptions {
    double toBox = 0;
    double toPc = 0;
    std::uint64_t seed = 1;
};

// Bits inverted by the line noise so far.
struct NoiseCount {
    std::uint64_t toBox = 0;
    std::uint64_t toPc = 0;
};

struct Options {
    BoxConfig box;         // version texts, busy time, strict busy
    Faults faults;         // fault switches on from the start
    bool pace = false;     // bytes take their real time on the line (11 bits each)
    std::string linkPath;  // when set: symlink linkPath -> slave, removed on stop
    std::string statePath; // when set: stored job loaded at start, saved on changes
    std::string logPath;   // when set: every frame and acknowledge byte, in hex
    // When set: reported as the firmware version instead of the stored one.
    std::string firmwareVersionOverride;
    // A partial or garbled frame is dropped after the line was quiet this long.
    std::chrono::milliseconds resyncGap{100};
    // After a reply the box takes the next byte as the PC's ACK/NAK when it
    // is 0x06/0x15 and arrives within this time.
    std::chrono::milliseconds replyAckWindow{100};
    LineNoiseOptions noise;
    // The box's UART checks parity: a byte that comes with a parity error
    // (the noise inverted an odd number of its 9 bits) spoils its frame,
    // which is answered NAK like a bad check sum, and is never taken for the
    // PC's answer to a reply. Off: the box sees only the data bits.
    bool boxChecksParity = true;
    // Link rate (bit/s) -> the bit error rate both ways while the box runs
    // at that rate, with noise.seed; rates not named keep noise.toBox and
    // noise.toPc.
    std::map<int, double> noiseAtRate;
};

// What the box holds and has counted, shared by the simulator's owner and
// the thread that serves the line.
struct BoxState {
    SoftwareBox box;
    // Descriptors the PC side holds open on the slave (from open/close events;
    // processes of other users are not seen).
    int portOpenCount = 0;
    // Bytes dropped because the PC's line settings did not match the box's.
    std::size_t ignoredBytes = 0;
    NoiseCount noise;
    bool unsaved = false; // the stored job changed since the state file was written

    // Replaces the stored job (e.g. for an upload test); it is saved like a
    // job the PC side sent.
    void replaceJob(const StoredJob& job)
    {
        box.job() = job;
        box.job().firmwareVersion = versionField(job.firmwareVersion);
        unsaved = true;
    }
};

// A view of the state that holds the lock for as long as it lives (to the
// end of the statement, used as sim.state()->...). The lock may be taken
// again by the same thread, so one statement may read the state twice. Do
// not keep a view while waiting for the box: it cannot answer meanwhile.
template <typename T>
class Locked {
public:
    Locked(std::recursive_mutex& mutex, T& value) : lock_(mutex), value_(&value) {}
    T* operator->() const { return value_; }
    T& operator*() const { return *value_; }

private:
    std::unique_lock<std::recursive_mutex> lock_;
    T* value_;
};

class Engine;
struct Shared;

class Simulator {
public:
    explicit Simulator(Options options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal, loads the state file, makes the symlink and
    // starts the thread. False (with lastError()) when any of that fails.
    bool start();
    // Stops the thread, saves unsaved changes, removes the symlink, closes
    // every descriptor. Safe to call twice; start() may be called again.
    void stop();
    bool running() const;
    std::string slavePath() const;
    std::string lastError() const;

    Locked<BoxState> state();
    Locked<const BoxState> state() const;

    // Re-evaluates `condition` (without holding the box's lock) whenever the
    // box has handled something, and at least every 10 ms, until it holds or
    // the time is up. Returns its last value.
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const;

private:
    std::mutex lifecycle_; // serialises start() and stop()
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<Engine> engine_;
    std::thread thread_;
};

} // namespace plx71sim
