#include "plx71/project/project_file.hpp"

#include <algorithm>
#include <cstring>

namespace plx71 {

namespace {

constexpr std::size_t kNameFieldSize = 104;

class Writer {
public:
    void bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const std::uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    }
    void u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void u8(std::uint8_t v) { out.push_back(v); }
    void text(const std::string& s)
    {
        u32(std::uint32_t(s.size()));
        bytes(s.data(), s.size());
    }
    std::vector<std::uint8_t> out;
};

// Reads fields in order; any read past the end makes the reader fail, and
// every later read fails too.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : in_(in) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return pos_ == in_.size(); }

    std::span<const std::uint8_t> take(std::size_t n)
    {
        if (!ok_ || in_.size() - pos_ < n) {
            ok_ = false;
            return {};
        }
        auto s = in_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    std::uint32_t u32()
    {
        auto b = take(4);
        if (b.empty())
            return 0;
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    }
    std::int32_t i32() { return std::int32_t(u32()); }
    std::uint8_t u8()
    {
        auto b = take(1);
        return b.empty() ? 0 : b[0];
    }
    std::string text()
    {
        const std::uint32_t length = u32();
        if (length > kMaxProjectTextLength) {
            ok_ = false;
            return {};
        }
        // The text ends at a zero byte, as a C string would: a name holding
        // one must not differ from the file name that is opened.
        auto b = take(length);
        return std::string(b.begin(), std::find(b.begin(), b.end(), std::uint8_t(0)));
    }
    // A file name field that holds bytes but starts with a zero would read
    // as no file at all (a job without its Boot ROM): such a file is refused.
    std::string fileName()
    {
        const std::size_t at = pos_;
        std::string name = text();
        if (ok_ && name.empty() && pos_ > at + 4)
            ok_ = false;
        return name;
    }
    void fail() { ok_ = false; }

private:
    std::span<const std::uint8_t> in_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

void writeDevice(Writer& w, const DeviceRecord& d)
{
    std::uint8_t name[kNameFieldSize] = {};
    std::memcpy(name, d.name.data(), std::min(d.name.size(), kMaxDeviceNameLength));
    w.bytes(name, sizeof name);
    w.u32(d.userRomStart);
    w.u32(d.userRomEnd);
    w.u32(d.userRomSize);
    w.i32(d.lastBlock);
    w.u8(d.allBlocksMask);
    w.bytes("\0\0\0", 3);
    w.u32(d.bootRomStart);
    w.u32(d.bootRomEnd);
    w.u32(d.bootRomSize);
    w.i32(d.vcc);
    w.i32(d.vpp);
}

DeviceRecord readDevice(Reader& r)
{
    DeviceRecord d;
    auto name = r.take(kNameFieldSize);
    if (!name.empty()) {
        auto zero = std::find(name.begin(), name.end(), std::uint8_t(0));
        const std::size_t length = std::size_t(zero - name.begin());
        if (zero == name.end() || length > kMaxDeviceNameLength)
            r.fail();
        else
            d.name.assign(name.begin(), zero);
    }
    d.userRomStart = r.u32();
    d.userRomEnd = r.u32();
    d.userRomSize = r.u32();
    d.lastBlock = r.i32();
    d.allBlocksMask = r.u8();
    r.take(3); // unused
    d.bootRomStart = r.u32();
    d.bootRomEnd = r.u32();
    d.bootRomSize = r.u32();
    d.vcc = r.i32();
    d.vpp = r.i32();
    return d;
}

} // namespace

std::vector<std::uint8_t> encodeProject(const ProjectFile& p)
{
    Writer w;
    w.bytes(kProjectHeader, kProjectHeaderSize);
    w.i32(p.deviceIndex);
    writeDevice(w, p.device);
    w.i32(p.serialModeIndex);
    w.i32(p.targetBaudIndex);
    w.i32(p.updateEnable);
    w.text(p.bootRomFileName);
    w.text(p.userRomFileName);
    w.i32(p.lockBitMode);
    w.text(p.lockBlockList);
    w.i32(p.operationBlockMode);
    w.text(p.operationBlockList);
    w.bytes(p.idCode.data(), p.idCode.size());
    w.i32(p.portSelection);
    w.i32(p.hostBaudSelection);
    return std::move(w.out);
}

std::optional<ProjectFile> decodeProject(std::span<const std::uint8_t> bytes)
{
    Reader r(bytes);
    auto header = r.take(kProjectHeaderSize);
    if (!r.ok() || std::memcmp(header.data(), kProjectHeader, kProjectHeaderSize) != 0)
        return std::nullopt;

    ProjectFile p;
    p.deviceIndex = r.i32();
    p.device = readDevice(r);
    p.serialModeIndex = r.i32();
    p.targetBaudIndex = r.i32();
    p.updateEnable = r.i32();
    p.bootRomFileName = r.fileName();
    p.userRomFileName = r.fileName();
    p.lockBitMode = r.i32();
    p.lockBlockList = r.text();
    p.operationBlockMode = r.i32();
    p.operationBlockList = r.text();
    auto id = r.take(kIdCodeLength);
    if (!id.empty())
        std::copy(id.begin(), id.end(), p.idCode.begin());
    p.portSelection = r.i32();
    p.hostBaudSelection = r.i32();

    // A file is exactly its fields: anything behind them means the lengths
    // do not describe this file.
    if (!r.ok() || !r.atEnd())
        return std::nullopt;
    return p;
}

} // namespace plx71
