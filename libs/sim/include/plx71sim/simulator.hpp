#pragma once
// plx71sim::Simulator: the writer box on a Linux pseudo-terminal, running on
// its own thread. The PC side opens slavePath() like any serial device.
//
//   plx71sim::Options o;
//   o.box.busyTime = std::chrono::milliseconds(5);
//   plx71sim::Simulator sim(o);
//   if (!sim.start()) fail(sim.lastError());
//   setenv("PLX71_COM1", sim.slavePath().c_str(), 1);
//   ... run the PC side ...
//   sim.waitFor([&] { return sim.rate() == 9600; }, std::chrono::seconds(2));
//   auto cmds = sim.receivedCommands();   // every request, in order
//   sim.stop();                           // joins; also done by the destructor
//
// The box starts at 9600 bit/s, odd parity. Whenever bytes arrive it reads
// the line settings the PC side put on the terminal; bytes sent while the
// rate or the odd-parity/parity-check flags do not match what the box
// expects are dropped, as a real UART would garble them. Answers the box
// sends while the PC's settings do not match are dropped too.
//
// Every public method is thread-safe and may be called while the box runs.
// Fault switches act on the frames that arrive after the call.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plx71sim/stored_job.hpp"
#include "plx71sim/writer_box.hpp"

namespace plx71sim {

// Bit errors on the line: each data bit is inverted with the given
// probability, in the PC-to-box and box-to-PC direction. The same seed and
// the same bytes give the same errors.
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
    // Link rate (bit/s) -> the bit error rate both ways while the box runs
    // at that rate, with noise.seed; rates not named keep noise.toBox and
    // noise.toPc.
    std::map<int, double> noiseAtRate;
};

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

    // --- what the box holds -------------------------------------------------
    int rate() const; // current link rate in bit/s
    bool busy() const;
    StoredJob job() const;
    void setJob(const StoredJob& job); // e.g. a stored job for an upload test
    WriterSettings settings() const;
    Bytes settingsRecord() const; // exactly the settings query's reply payload
    Page page(std::uint16_t number) const;
    std::string firmwareVersion() const; // 16 bytes
    std::vector<ReceivedCommand> receivedCommands() const;
    void clearReceivedCommands();
    // Descriptors the PC side holds open on the slave (from open/close events;
    // processes of other users are not seen).
    int portOpenCount() const;
    // Bytes dropped because the PC's line settings did not match the box's.
    std::size_t ignoredBytes() const;
    NoiseCount noiseCount() const;

    // --- fault switches -----------------------------------------------------
    void dropAcks(int frames);
    void nakFrames(int frames);
    void corruptReplies(int replies);
    void setSilent(bool on);
    void setStayBusy(bool on);
    void setNoSettings(bool on);
    void setFailPage(std::uint16_t page, bool on = true);
    // Reads of `page` hand back its byte at `offset` inverted.
    void setFlipRead(std::uint16_t page, std::uint8_t offset, bool on = true);
    // The settings query answers with `field` changed (kSettingFields; empty:
    // none). False for an unknown field name.
    bool setAlterSetting(const std::string& field);
    void setFirmwareVersion(const std::string& text);
    void setBusyTime(std::chrono::milliseconds t);
    Faults faults() const;

    // --- waiting ------------------------------------------------------------
    // Re-evaluates `condition` (without holding the box's lock) whenever the
    // box has handled something, and at least every 10 ms, until it holds or
    // the time is up. Returns its last value.
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const;
    bool waitForCommands(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    class Engine;
    void notify();
    void saveNow();

    Options options_;
    std::mutex lifecycle_;     // serialises start() and stop()
    mutable std::mutex mutex_; // guards box_, error_ and the fields below
    mutable std::condition_variable changed_;
    WriterBox box_;
    std::string error_;
    std::string slavePath_;
    std::unique_ptr<Engine> engine_;
    std::thread thread_;
    int openCount_ = 0;
    std::size_t ignoredBytes_ = 0;
    NoiseCount noiseCount_;
    bool dirty_ = false;
    bool running_ = false;

    friend class Engine;
};

} // namespace plx71sim
