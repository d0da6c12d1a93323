#include "link/writer_settings.hpp"

#include <algorithm>

namespace plx71 {

namespace {

// Walks the record; every take fails once the record has run out.
class RecordReader {
public:
    explicit RecordReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool u8(std::uint8_t& out)
    {
        if (pos_ + 1 > bytes_.size())
            return false;
        out = bytes_[pos_++];
        return true;
    }
    bool u16(std::uint16_t& out)
    {
        if (pos_ + 2 > bytes_.size())
            return false;
        out = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool text(std::size_t n, std::string& out)
    {
        if (pos_ + n > bytes_.size())
            return false;
        out.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
        pos_ += n;
        return true;
    }
    bool bytes(std::span<std::uint8_t> out)
    {
        if (pos_ + out.size() > bytes_.size())
            return false;
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_), out.size(), out.begin());
        pos_ += out.size();
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

} // namespace

std::optional<WriterSettings> parseWriterSettings(std::span<const std::uint8_t> payload)
{
    WriterSettings s;
    RecordReader r(payload);
    std::uint8_t nameLength = 0;
    if (!r.u16(s.bootRomStartPage) || !r.u16(s.bootRomSizeKiB) || !r.u16(s.userRomStartPage) || !r.u16(s.userRomSizeKiB)
        || !r.u8(s.blockCount) || !r.u8(s.voltageCodes) || !r.u8(nameLength) || !r.text(nameLength, s.deviceName))
        return std::nullopt;
    // A box without settings has nothing more to say; whatever follows the
    // zero length (the full record, or nothing) is of no use.
    if (nameLength == 0)
        return s;
    std::uint8_t userLength = 0;
    std::uint8_t bootLength = 0;
    if (!r.u8(s.updateEnable) || !r.u8(userLength) || !r.text(userLength, s.userRomFileName) || !r.u8(bootLength)
        || !r.text(bootLength, s.bootRomFileName) || !r.bytes(s.checkId) || !r.u8(s.targetRateCode)
        || !r.u8(s.lockBitMask) || !r.u8(s.operationBlockMask))
        return std::nullopt;
    return s;
}

} // namespace plx71
