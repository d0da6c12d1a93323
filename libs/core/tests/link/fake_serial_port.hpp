#pragma once
// A scripted serial port for the link tests: it records what is opened and
// written, and answers each write through a handler that queues the bytes the
// "writer box" sends back. A read takes what is queued and never waits, so a
// read that finds too little behaves like a time-out.
#include "plx71/port/serial_port.hpp"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace plx71::test {

using Bytes = std::vector<std::uint8_t>;

// A whole frame: length, code, payload, checksum.
inline Bytes makeFrame(std::uint8_t code, const Bytes& payload)
{
    Bytes f;
    std::size_t n = payload.size() + 1;
    f.push_back(static_cast<std::uint8_t>(n & 0xFF));
    f.push_back(static_cast<std::uint8_t>(n >> 8));
    f.push_back(code);
    f.insert(f.end(), payload.begin(), payload.end());
    std::uint8_t sum = code;
    for (auto b : payload)
        sum = static_cast<std::uint8_t>(sum + b);
    f.push_back(sum);
    return f;
}

inline Bytes concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// "05 00 14" -> {0x05, 0x00, 0x14}
inline Bytes hex(const std::string& text)
{
    Bytes out;
    std::istringstream in(text);
    std::string byte;
    while (in >> byte)
        out.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
    return out;
}

class FakeSerialPort : public SerialPort {
public:
    struct Opening {
        std::string device;
        int rate;
    };

    // Called with every write; queue the answer with reply().
    std::function<void(const Bytes&)> onWrite;
    bool refuseOpen = false;
    bool failWrites = false;

    std::vector<Opening> openings;
    std::vector<int> rateChanges; // setRate on the open port, in order
    int closes = 0;
    std::vector<Bytes> writes;
    std::deque<std::uint8_t> incoming;
    std::vector<std::size_t> readSizes; // how many bytes each read asked for
    int discards = 0;

    void reply(const Bytes& bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }
    // Queues `bytes` with a parity error on the byte at `at`, as a UART that
    // checks parity marks it.
    void replyMarked(const Bytes& bytes, std::size_t at)
    {
        marks.push_back(incoming.size() + at);
        reply(bytes);
    }

    // Parity errors are told (reportsParityErrors).
    bool checksParity = true;
    // Called with the time a read that came back short would have waited on
    // a line, so a test's clock moves as the link's would.
    std::function<void(std::chrono::milliseconds)> onReadTimeout;

    // Writes that were whole frames (more than one byte), i.e. requests.
    std::vector<Bytes> requests() const
    {
        std::vector<Bytes> r;
        for (const auto& w : writes)
            if (w.size() > 1)
                r.push_back(w);
        return r;
    }
    // Single acknowledge bytes the PC sent.
    Bytes acknowledges() const
    {
        Bytes r;
        for (const auto& w : writes)
            if (w.size() == 1)
                r.push_back(w[0]);
        return r;
    }

    bool open(const std::string& deviceName, int bitRate, const LinkTiming&) override
    {
        openings.push_back({deviceName, bitRate});
        open_ = !refuseOpen;
        return open_;
    }
    bool setRate(int bitRate) override
    {
        if (!open_)
            return false;
        rateChanges.push_back(bitRate);
        return true;
    }
    void close() override
    {
        if (open_)
            ++closes;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    bool write(std::span<const std::uint8_t> bytes, const LinkTiming&) override
    {
        if (!open_ || failWrites)
            return false;
        Bytes b(bytes.begin(), bytes.end());
        writes.push_back(b);
        if (onWrite)
            onWrite(b);
        return true;
    }
    void discardInput() override
    {
        ++discards;
        incoming.clear();
        marks.clear();
        marked_ = false;
    }
    std::size_t read(std::span<std::uint8_t> buffer, const LinkTiming& timing) override
    {
        readSizes.push_back(buffer.size());
        std::size_t n = open_ ? std::min(buffer.size(), incoming.size()) : 0;
        std::copy_n(incoming.begin(), n, buffer.begin());
        incoming.erase(incoming.begin(), incoming.begin() + static_cast<std::ptrdiff_t>(n));
        for (auto& at : marks) {
            marked_ = marked_ || (checksParity && at < n);
            at = at < n ? SIZE_MAX : at - n;
        }
        std::erase(marks, SIZE_MAX);
        if (n < buffer.size() && onReadTimeout)
            onReadTimeout(n == 0 ? timing.readTotal(buffer.size()) : timing.readInterval);
        return n;
    }
    bool takeParityError() override { return std::exchange(marked_, false); }
    bool reportsParityErrors() const override { return checksParity; }

    std::vector<std::size_t> marks; // positions in `incoming` of marked bytes

private:
    bool open_ = false;
    bool marked_ = false;
};

} // namespace plx71::test
