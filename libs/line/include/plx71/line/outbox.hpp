#pragma once
// The outbox: the local JSON-lines record file is the queue. The file is
// never rewritten; the byte offset up to which every line was accepted by
// the server (or set aside) is kept in "<record>.shipped", replaced
// atomically. Lines without a jobId (older versions) are passed over.
#include "plx71/line/http_client.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace plx71::line {

// Where and as whom to ship.
struct ShipTarget {
    LineUrl url;
    std::string token;
    std::string station; // the "station" of each batch
    HttpLimits limits;
    // No new request starts after this much time in one pass (the lines
    // left wait for the next); zero: no limit (plx71line push).
    std::chrono::milliseconds passLimit{0};
};

// How a pass ended.
enum class ShipEnd {
    Done,        // nothing waits
    Unreachable, // no answer: refused, timed out, lost
    Busy,        // 503 or another server failure: the lines wait
    Token,       // 401 or 403: "refused (token)"
    Other,       // an answer the client does not expect (404, 3xx, ...)
    TimeLimit,   // the pass limit ran out with lines left
    Local,       // the record file or its mark cannot be read or written
};

struct ShipReport {
    ShipEnd end = ShipEnd::Done;
    std::size_t accepted = 0; // lines the server holds now (new or known)
    std::size_t setAside = 0; // lines it refused one by one (400/413): never sent again
    std::size_t waiting = 0;  // lines with a jobId still to send
    std::string cause;        // empty when Done: "connection refused", "refused (token)", ...
    bool shipped() const { return end == ShipEnd::Done; }
};

class Outbox {
public:
    explicit Outbox(std::string recordPath);

    // Sends what waits, oldest first, in batches; marks what the server took.
    // With nothing waiting, an empty batch says the backlog is 0 and checks
    // the server and the token (`probe`).
    ShipReport ship(HttpClient& client, const ShipTarget& target, bool probe = false) const;

    // Lines with a jobId after the mark.
    std::size_t waiting() const;

    // The mark: the byte offset up to which every line was handled.
    std::uint64_t mark() const;
    std::string markPath() const { return recordPath_ + ".shipped"; }

private:
    std::string recordPath_;
};

} // namespace plx71::line
