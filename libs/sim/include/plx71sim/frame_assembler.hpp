#pragma once
// Cuts the received byte stream into request frames. A frame whose length
// field cannot be a request, or a frame left unfinished, is thrown away
// once the line has been quiet for the resynchronisation gap, so a broken
// frame never wedges the box.
#include <chrono>
#include <optional>
#include <vector>

#include "plx71sim/wire.hpp"

namespace plx71sim {

class FrameAssembler {
public:
    using Clock = std::chrono::steady_clock;
    enum class Kind { Frame, BadChecksum, Discarded };
    struct Event {
        Kind kind;
        Bytes bytes; // the whole frame (or the discarded bytes) as received
    };

    explicit FrameAssembler(std::chrono::milliseconds gap) : gap_(gap) {}

    // `damaged`: the byte came with a parity error; its frame is answered
    // as one with a bad check sum.
    void push(std::uint8_t byte, Clock::time_point at, std::vector<Event>& out, bool damaged = false);
    void expire(Clock::time_point now, std::vector<Event>& out);
    // When the bytes held now will be thrown away if nothing more arrives.
    std::optional<Clock::time_point> deadline() const;
    bool empty() const { return buf_.empty(); }

private:
    void discard(std::vector<Event>& out);

    std::chrono::milliseconds gap_;
    Bytes buf_;
    bool garbage_ = false;
    bool damaged_ = false; // a byte of the frame came with a parity error
    Clock::time_point last_{};
};

} // namespace plx71sim
