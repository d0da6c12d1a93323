#pragma once
// The thread side of the simulator: moves bytes between the pseudo-terminal
// and the box, paces them when asked, frames them and writes the log.
#include <atomic>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "line_noise.hpp"
#include "plx71sim/frame_assembler.hpp"
#include "plx71sim/simulator.hpp"
#include "pty_port.hpp"
#include "wire_log.hpp"

namespace plx71sim {

class Simulator::Engine {
public:
    explicit Engine(Simulator& sim);
    ~Engine();

    bool open(std::string& error);
    const std::string& slavePath() const { return port_.slavePath(); }
    void requestStop();
    void run();

private:
    struct InByte {
        std::uint8_t byte;
        Clock::time_point at;
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

    Simulator& sim_;
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
