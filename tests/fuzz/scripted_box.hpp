#pragma once
// A writer box whose answers come from a fuzz input, on the link tests' fake
// serial port. Each request the PC writes takes one control byte c:
//   c % 8 in 0..3  a well-formed answer: ACK and, for commands with a reply,
//                  a reply frame of the expected length; its payload is a
//                  sound default (idle status, matching versions, the
//                  settings and pages the PC stored, else a settings record
//                  of M30624FGFP and a page pattern) whose first c / 8 bytes
//                  come from the input;
//   c % 8 == 4     ACK and a checksummed reply of L = next byte payload bytes
//                  from the input (any length, any content);
//   c % 8 == 5     ACK only;
//   c % 8 == 6     one byte from the input instead of the ACK (NAK, noise);
//   c % 8 == 7     n = next byte raw bytes from the input, as they come;
//   c == 0xFF      well-formed default answers for the next 16 * (next byte)
//                  requests, so that long transfers cost few input bytes.
// When the input runs out the user presses Cancel and the box goes silent.
// Every request the PC writes must be a whole frame with a good checksum.
#include "fake_serial_port.hpp"
#include "fuzz_support.hpp"

#include "link/frame.hpp"
#include "link/writer_commands.hpp"
#include "plx71/transfer/progress_counters.hpp"

#include <array>
#include <functional>
#include <map>
#include <string_view>

namespace plx71::fuzz {

class ScriptedBox {
public:
    ScriptedBox(test::FakeSerialPort& port, FuzzInput& input) : port_(port), in_(input)
    {
        port_.onWrite = [this](const test::Bytes& written) { answer(written); };
    }

    // The counters of the transfer that is running, for Cancel.
    void watch(ProgressCounters* counters)
    {
        counters_ = counters;
        if (counters_ && cancelled_)
            counters_->abort();
    }
    bool cancelled() const { return cancelled_; }
    // Every answer so far was the sound one, and the input never ran out:
    // whatever the PC asked of this box must have succeeded.
    bool faultless() const { return faultless_ && !cancelled_; }
    // The box rests at 9600 bit/s after an operation when it never took
    // another rate, or the PC's last rate request was the way back (whether
    // or not the box heard it: a silent box is the PC's to report).
    bool leftAtRestingRate() const { return boxRateCode_ <= 1 || lastRateCode_ == 1; }

    // Sees every request the PC writes (whole frames with good checksums).
    std::function<void(const test::Bytes&)> onRequest;
    // The payload of the last well-formed reply to CMD_READ_PAGE, by page.
    const std::map<std::uint16_t, test::Bytes>& pagesRead() const { return pagesRead_; }

    // The sound answer: idle, matching versions, the job the PC stored (a
    // settings record of M30624FGFP before any), the page the PC wrote (a
    // pattern for pages never written).
    test::Bytes defaultPayload(std::uint8_t command, std::uint16_t page = 0) const
    {
        switch (command) {
        case CMD_READ_VERSIONS:
            return text("BOOT V1.00      V1.30 2001/12/25");
        case CMD_READ_STATUS:
            return {0x00};
        case CMD_READ_PAGE: {
            if (auto it = pagesWritten_.find(page); it != pagesWritten_.end())
                return it->second;
            test::Bytes bytes(kPageSize);
            for (std::size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<std::uint8_t>((i ^ 0x5A) + page * 31);
            return bytes;
        }
        case CMD_READ_SETTINGS:
            return storedSettings();
        default:
            return {};
        }
    }

private:
    static test::Bytes text(std::string_view t) { return test::Bytes(t.begin(), t.end()); }

    void answer(const test::Bytes& written)
    {
        if (written.size() == 1)
            return; // the PC's ACK or NAK to a reply
        FUZZ_CHECK(written.size() >= 4 && frameWireSize(written) == written.size() && checkChecksum(written));
        const std::uint8_t command = written[2];
        if (onRequest)
            onRequest(written);
        // What the fake port records is of no use here and would only grow
        // over a long transfer.
        port_.writes.clear();
        port_.readSizes.clear();
        const std::size_t queuedBefore = port_.incoming.size();
        page_ = command == CMD_READ_PAGE && written.size() >= 6
            ? static_cast<std::uint16_t>(written[3] | (written[4] << 8))
            : 0;
        store(written);
        respond(command);
        if (command == CMD_SET_LINK_RATE) {
            lastRateCode_ = written[3];
            if (port_.incoming.size() > queuedBefore && port_.incoming[queuedBefore] == ACK)
                boxRateCode_ = written[3];
        }
    }

    // Keeps what a download stores, as the box does (the PC's frames are
    // sound: the check above holds).
    void store(const test::Bytes& request)
    {
        const test::Bytes payload(request.begin() + 3, request.end() - 1);
        switch (request[2]) {
        case CMD_SET_DEVICE:
            settings_[0] = payload;
            break;
        case CMD_SET_UPDATE_ENABLE:
            settings_[1] = payload;
            break;
        case CMD_SET_USER_FILE_NAME:
            settings_[2] = payload;
            break;
        case CMD_SET_BOOT_FILE_NAME:
            settings_[3] = payload;
            break;
        case CMD_SET_CHECK_ID:
            settings_[4] = payload;
            break;
        case CMD_SET_TARGET_RATE:
            settings_[5] = payload;
            break;
        case CMD_SET_LOCK_BITS:
            settings_[6] = payload;
            break;
        case CMD_SET_OPERATION_BLOCKS:
            settings_[7] = payload;
            break;
        case CMD_WRITE_PAGE:
            if (payload.size() == 2 + kPageSize)
                pagesWritten_[static_cast<std::uint16_t>(payload[0] | (payload[1] << 8))] =
                    test::Bytes(payload.begin() + 2, payload.end());
            break;
        default:
            break;
        }
    }

    test::Bytes storedSettings() const
    {
        if (settings_[0].empty()) {
            test::Bytes s = test::hex("E0 0F 08 00 00 0C 00 01 07 22 0A");
            s = test::concat(s, text("M30624FGFP"));
            s.push_back(1); // Update Enable
            s.push_back(8);
            s = test::concat(s, text("user.hex"));
            s.push_back(0); // no Boot ROM file
            return test::concat(s, test::hex("01 02 03 04 05 06 07 0A 80 7F"));
        }
        // The fields in record order; one never set reads as zeros.
        static constexpr std::size_t widths[] = {0, 1, 1, 1, 7, 1, 1, 1};
        test::Bytes record;
        for (std::size_t i = 0; i < settings_.size(); ++i)
            record = test::concat(record, settings_[i].empty() ? test::Bytes(widths[i]) : settings_[i]);
        return record;
    }

    void respond(std::uint8_t command)
    {
        if (goodAnswersLeft_ > 0) {
            --goodAnswersLeft_;
            wellFormed(command, 0);
            return;
        }
        if (in_.empty()) {
            cancel();
            return;
        }
        const std::uint8_t c = in_.byte();
        if (c == 0xFF) {
            goodAnswersLeft_ = 16 * std::size_t{in_.byte()};
            wellFormed(command, 0);
            return;
        }
        if (c >= 4)
            faultless_ = false;
        switch (c % 8) {
        case 4: {
            port_.reply({ACK});
            const auto payload = in_.take(in_.byte());
            port_.reply(test::makeFrame(0x00, test::Bytes(payload.begin(), payload.end())));
            break;
        }
        case 5:
            port_.reply({ACK});
            break;
        case 6:
            port_.reply({in_.byte()});
            break;
        case 7: {
            const auto raw = in_.take(in_.byte());
            port_.reply(test::Bytes(raw.begin(), raw.end()));
            break;
        }
        default:
            wellFormed(command, c / 8);
            break;
        }
    }

    void wellFormed(std::uint8_t command, std::size_t overlay)
    {
        port_.reply({ACK});
        test::Bytes payload = defaultPayload(command, page_);
        if (payload.empty())
            return; // a command acknowledged only
        const auto mine = in_.take(std::min(overlay, payload.size()));
        std::copy(mine.begin(), mine.end(), payload.begin());
        if (command == CMD_READ_PAGE)
            pagesRead_[page_] = payload;
        port_.reply(test::makeFrame(0x00, payload));
    }

    void cancel()
    {
        cancelled_ = true;
        if (counters_)
            counters_->abort();
    }

    test::FakeSerialPort& port_;
    FuzzInput& in_;
    ProgressCounters* counters_ = nullptr;
    bool cancelled_ = false;
    bool faultless_ = true;
    std::size_t goodAnswersLeft_ = 0;
    std::uint8_t lastRateCode_ = 0;
    std::uint8_t boxRateCode_ = 0;
    std::uint16_t page_ = 0; // of the CMD_READ_PAGE being answered
    std::map<std::uint16_t, test::Bytes> pagesRead_;
    std::map<std::uint16_t, test::Bytes> pagesWritten_;
    std::array<test::Bytes, 8> settings_; // CMD_SET_DEVICE .. CMD_SET_OPERATION_BLOCKS payloads
};

} // namespace plx71::fuzz
