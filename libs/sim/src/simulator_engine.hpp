#pragma once
// The thread side of the simulator: moves bytes between the pseudo-terminal
// and the box, paces them when asked, frames them and writes the log.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "line_noise.hpp"
#include "plx71sim/frame_assembler.hpp"
#include "plx71sim/simulator.hpp"
#include "pty_port.hpp"
#include "wire_log.hpp"

namespace plx71sim {

// What the simulator and its engine both hold: the options, the box's state
// and what the owner reads about the run.
struct Shared {
    explicit Shared(Options o) : options(std::move(o))
    {
        state.box = SoftwareBox(options.box);
        state.box.faults() = options.faults;
    }

    const Options options;
    mutable std::recursive_mutex mutex; // guards everything below
    mutable std::condition_variable_any changed;
    BoxState state;
    std::string error;
    std::string slavePath;
    bool running = false;

    void notify() { changed.notify_all(); }
    // Writes the stored job to the state file when it changed since the last
    // write; a failed write is kept as the error and retried later.
    void saveNow();
};

class Engine {
public:
    explicit Engine(std::shared_ptr<Shared> shared);
    ~Engine();

    bool open(std::string& error);
    const std::string& slavePath() const { return port_.slavePath(); }
    void requestStop();
    void run();

private:
    struct InByte {
        std::uint8_t byte;
        Clock::time_point at;
        bool damaged = false; // came with a parity error the box's UART sees
    };
    struct OutUnit {
        Bytes bytes;
        int rate;
        std::vector<Clock::time_point> due; // per byte
        std::size_t sent = 0;
        bool started = false;
    };

    int boxRate();
    void readLine(Clock::time_point now);
    void deliverDue(Clock::time_point now);
    void handle(std::vector<FrameAssembler::Event>& events, Clock::time_point at);
    void queue(const Answer& a);
    bool flushOut(Clock::time_point now);
    void expireReplyAck(Clock::time_point now);
    void saveIfAsked();
    void countNoise();
    double noiseAt(int rate, double otherwise) const;
    void waitForWork(Clock::time_point now, bool blocked);

    std::shared_ptr<Shared> shared_;
    PtyPort port_;
    WireLog log_;
    FrameAssembler assembler_;
    LineNoise noiseToBox_;
    LineNoise noiseToPc_;
    int wake_ = -1;
    std::atomic<bool> stop_{false};
    std::deque<InByte> in_;
    std::deque<OutUnit> out_;
    Clock::time_point lineFreeIn_{}, lineFreeOut_{}, awaitAckUntil_{}, hangupUntil_{};
    bool awaitAck_ = false;
    // The reply was still waiting in the terminal when its window ran out.
    bool replyWasWaiting_ = false;
    bool saveAsked_ = false;
    // The settings the last "LINE" log line named.
    std::optional<LineSettings> loggedLine_;
};

} // namespace plx71sim
