#include "plx71/line/outbox.hpp"

#include "plx71/files/file_replace.hpp"
#include "plx71/line/record_batch.hpp"
#include "plx71/text/utf8_path.hpp"

#include <charconv>
#include <fstream>
#include <vector>

namespace plx71::line {

namespace {

using Clock = std::chrono::steady_clock;

// A line with a jobId after the mark: its text and the offset just past it.
struct Pending {
    std::uint64_t end = 0;
    std::string text;
};

struct Queue {
    bool readable = true;
    std::vector<Pending> lines;
    std::uint64_t tail = 0; // just past the last whole line
    bool restarted = false; // the mark was beyond the end: read from 0
};

std::uint64_t readMark(const std::string& path)
{
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    std::string text;
    std::getline(in, text);
    std::uint64_t mark = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), mark);
    return ec == std::errc() && (end == text.data() + text.size() || *end == '\r') ? mark : 0;
}

// The whole lines from `from` on; a last line without its newline is not
// whole yet. A mark beyond the end (the file was replaced) starts again at 0:
// the server keeps each jobId once.
Queue readQueue(const std::string& recordPath, std::uint64_t from)
{
    Queue q;
    std::error_code ec;
    const auto path = pathFromUtf8(recordPath);
    if (!std::filesystem::exists(path, ec)) {
        q.tail = from;
        return q;
    }
    const std::uint64_t size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in) {
        q.readable = false;
        return q;
    }
    if (from > size) {
        from = 0;
        q.restarted = true;
    }
    in.seekg(std::streamoff(from));
    std::uint64_t at = from;
    std::string line;
    while (std::getline(in, line) && !in.eof()) {
        at += line.size() + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!recordJobId(line).empty())
            q.lines.push_back({at, std::move(line)});
        q.tail = at;
    }
    if (q.tail < from)
        q.tail = from;
    return q;
}

enum class Verdict { Accepted, Refused, Token, Busy, Unreachable, Other };

Verdict verdictOf(const HttpAnswer& a)
{
    if (a.status == 200)
        return Verdict::Accepted;
    if (a.status == 400 || a.status == 413)
        return Verdict::Refused;
    if (a.status == 401 || a.status == 403)
        return Verdict::Token;
    if (a.status == 0)
        return Verdict::Unreachable;
    return a.status >= 500 ? Verdict::Busy : Verdict::Other;
}

// One pass over the queue: the state the batches share.
class Pass {
public:
    Pass(const std::string& recordPath, std::uint64_t mark, HttpClient& client, const ShipTarget& target)
        : markPath_(recordPath + ".shipped"), client_(client), target_(target), start_(Clock::now())
    {
        queue_ = readQueue(recordPath, mark);
        mark_ = mark;
        // The file was replaced: its old mark would hold every new one back.
        if (queue_.restarted && replaceFile(pathFromUtf8(markPath_), "0\n"))
            mark_ = 0;
    }

    ShipReport run(bool probe);

private:
    HttpAnswer post(std::size_t first, std::size_t count)
    {
        std::vector<std::string_view> lines;
        for (std::size_t i = first; i < first + count; ++i)
            lines.emplace_back(queue_.lines[i].text);
        const std::size_t backlog = queue_.lines.size() - first - count;
        return client_.postJson(target_.url, kRecordsPath, target_.token,
                                recordBatchJson(target_.station, backlog, lines), target_.limits);
    }
    std::size_t batchSize() const;
    bool sendBatch();
    bool sendOneByOne(std::size_t count);
    bool markTo(std::uint64_t end);
    // The next `count` lines are handled: the mark moves past them.
    bool handled(std::size_t count)
    {
        next_ += count;
        return markTo(queue_.lines[next_ - 1].end);
    }
    bool stop(Verdict verdict, const HttpAnswer& answer);

    std::string markPath_;
    HttpClient& client_;
    const ShipTarget& target_;
    Clock::time_point start_;
    Queue queue_;
    std::uint64_t mark_ = 0;
    std::size_t next_ = 0;
    ShipReport report_;
};

std::size_t Pass::batchSize() const
{
    std::size_t count = 0;
    std::size_t bytes = 0;
    while (next_ + count < queue_.lines.size() && count < kMaxBatchLines) {
        bytes += queue_.lines[next_ + count].text.size() + 1;
        if (count > 0 && bytes > kMaxBatchBytes)
            break;
        ++count;
    }
    return count;
}

// The mark moves past a line the server took or refused for good. A mark
// that cannot be written ends the pass: those lines go again next time.
bool Pass::markTo(std::uint64_t end)
{
    // Another process shipping the same file may have gone further.
    const std::uint64_t mark = std::max(end, readMark(markPath_));
    if (mark > mark_ && !replaceFile(pathFromUtf8(markPath_), std::to_string(mark) + "\n")) {
        report_.end = ShipEnd::Local;
        report_.cause = "cannot write " + markPath_;
        return false;
    }
    mark_ = std::max(mark_, mark);
    return true;
}

bool Pass::stop(Verdict verdict, const HttpAnswer& answer)
{
    switch (verdict) {
    case Verdict::Token:
        report_.end = ShipEnd::Token;
        report_.cause = "refused (token)";
        break;
    case Verdict::Unreachable:
        report_.end = ShipEnd::Unreachable;
        report_.cause = answer.failure.empty() ? "no answer" : answer.failure;
        break;
    default:
        report_.end = verdict == Verdict::Busy ? ShipEnd::Busy : ShipEnd::Other;
        report_.cause = "server answered " + std::to_string(answer.status);
        break;
    }
    return false;
}

// A batch the server refused as a whole goes again line by line, so that
// one bad line is set aside and the rest are stored.
bool Pass::sendOneByOne(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const HttpAnswer answer = post(next_, 1);
        const Verdict verdict = verdictOf(answer);
        if (verdict == Verdict::Accepted)
            ++report_.accepted;
        else if (verdict == Verdict::Refused)
            ++report_.setAside;
        else
            return stop(verdict, answer);
        if (!handled(1))
            return false;
    }
    return true;
}

bool Pass::sendBatch()
{
    const std::size_t count = batchSize();
    const HttpAnswer answer = post(next_, count);
    const Verdict verdict = verdictOf(answer);
    if (verdict == Verdict::Refused && count > 1)
        return sendOneByOne(count);
    if (verdict != Verdict::Accepted && verdict != Verdict::Refused)
        return stop(verdict, answer);
    (verdict == Verdict::Accepted ? report_.accepted : report_.setAside) += count;
    return handled(count);
}

ShipReport Pass::run(bool probe)
{
    if (!queue_.readable) {
        report_.end = ShipEnd::Local;
        report_.cause = "cannot read the record file";
        return report_;
    }
    if (queue_.lines.empty() && probe) {
        const HttpAnswer answer = client_.postJson(target_.url, kRecordsPath, target_.token,
                                                   recordBatchJson(target_.station, 0, {}), target_.limits);
        if (const Verdict verdict = verdictOf(answer); verdict != Verdict::Accepted)
            stop(verdict, answer);
    }
    bool going = true;
    while (going && next_ < queue_.lines.size()) {
        const auto spent = Clock::now() - start_;
        if (target_.passLimit.count() > 0 && spent >= target_.passLimit) {
            report_.end = ShipEnd::TimeLimit;
            report_.cause = "time limit";
            break;
        }
        going = sendBatch();
    }
    // Lines without a jobId after the last one sent are passed over for good.
    if (next_ == queue_.lines.size() && queue_.tail > mark_ && report_.end != ShipEnd::Local)
        markTo(queue_.tail);
    report_.waiting = queue_.lines.size() - next_;
    return report_;
}

} // namespace

Outbox::Outbox(std::string recordPath) : recordPath_(std::move(recordPath)) {}

std::uint64_t Outbox::mark() const
{
    return readMark(markPath());
}

std::size_t Outbox::waiting() const
{
    return readQueue(recordPath_, mark()).lines.size();
}

ShipReport Outbox::ship(HttpClient& client, const ShipTarget& target, bool probe) const
{
    return Pass(recordPath_, mark(), client, target).run(probe);
}

} // namespace plx71::line
