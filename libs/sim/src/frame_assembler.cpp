#include "plx71sim/frame_assembler.hpp"

namespace plx71sim {

void FrameAssembler::discard(std::vector<Event>& out)
{
    out.push_back({Kind::Discarded, std::move(buf_)});
    buf_.clear();
    garbage_ = false;
    damaged_ = false;
}

void FrameAssembler::push(std::uint8_t byte, Clock::time_point at, std::vector<Event>& out, bool damaged)
{
    if (!buf_.empty() && at - last_ > gap_)
        discard(out);
    buf_.push_back(byte);
    damaged_ = damaged_ || damaged;
    last_ = at;
    if (garbage_ || buf_.size() < 2)
        return;
    const std::size_t n = buf_[0] | (buf_[1] << 8);
    if (n == 0 || n > kMaxRequestBody) {
        garbage_ = true; // wait for the line to go quiet
        return;
    }
    if (buf_.size() < n + 3)
        return;
    const bool good = !damaged_ && sum8(std::span(buf_).subspan(2, n)) == buf_.back();
    out.push_back({good ? Kind::Frame : Kind::BadChecksum, std::move(buf_)});
    buf_.clear();
    damaged_ = false;
}

void FrameAssembler::expire(Clock::time_point now, std::vector<Event>& out)
{
    if (!buf_.empty() && now - last_ >= gap_)
        discard(out);
}

std::optional<FrameAssembler::Clock::time_point> FrameAssembler::deadline() const
{
    if (buf_.empty())
        return std::nullopt;
    return last_ + gap_;
}

} // namespace plx71sim
