#include "plx71/production_record/job_digest.hpp"

#include "plx71/job/download_masks.hpp"
#include "sha256.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace plx71 {

namespace {

std::string hexText(std::uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, unsigned(value));
    return text;
}

template <std::size_t N>
std::string nameAt(const char* const (&names)[N], int index)
{
    return index >= 0 && std::size_t(index) < N ? std::string(names[index]) : std::to_string(index);
}

// "<key>=<first>-<last>\n" and the bytes of that range of `image`, whose
// index 0 is the address `imageStart`; bytes beyond the buffer count as blank.
void addRange(std::string& out, const char* key, const std::vector<std::uint8_t>& image, std::uint32_t imageStart,
              std::uint32_t first, std::uint32_t last)
{
    out += std::string(key) + "=" + hexText(first, 6) + "-" + hexText(last, 6) + "\n";
    for (std::uint64_t a = first; a <= last; ++a) {
        const std::uint64_t index = a - imageStart;
        out += char(index < image.size() ? image[std::size_t(index)] : kBlankByte);
    }
}

// The operated User ROM blocks as Download walks them: block lastBlock at
// the start of the area, then down to block 0, each its table size.
void addUserBlocks(std::string& out, const PcJobState& state, std::uint8_t mask)
{
    const DeviceRecord& d = state.currentDevice;
    std::uint32_t address = d.userRomStart;
    const int top = std::min(d.lastBlock, kBlockCount - 1);
    for (int block = top; block >= 0 && address <= d.userRomEnd && address >= d.userRomStart; --block) {
        const std::uint32_t size = state.areaTables.blockSize[std::size_t(block)];
        if (size == 0)
            continue;
        const std::uint32_t last = std::min(d.userRomEnd, address + size - 1);
        if ((mask & (1u << block)) != 0)
            addRange(out, "user", state.images.user, d.userRomStart, address, last);
        address += size;
    }
}

} // namespace

std::string canonicalJob(const PcJobState& state, const JobSettings& job)
{
    const DeviceRecord& d = state.currentDevice;
    const std::uint8_t operationMask = operationBlockMask(state, job);
    std::string out = "plx71-job-digest-v1\n";
    out += "device=" + d.name + "\n";
    out += "operationBlocks=" + hexText(operationMask, 2) + "\n";
    out += "lockBits=" + hexText(lockBitMask(state, job), 2) + "\n";
    out += "checkId=" + formatIdCode(job.idCode) + "\n";
    out += "targetRate=" + nameAt(kTargetBaudNames, job.targetBaudIndex) + "\n";
    out += "serialMode=" + nameAt(kSerialModeNames, job.serialModeIndex) + "\n";
    out += std::string("updateEnable=") + (job.updateEnable != 0 ? "1" : "0") + "\n";
    addUserBlocks(out, state, operationMask);
    if (job.updateEnable != 0) {
        if (job.bootRomFileName.empty() || d.bootRomEnd < d.bootRomStart)
            out += "boot=none\n";
        else
            addRange(out, "boot", state.images.boot, d.bootRomStart, d.bootRomStart, d.bootRomEnd);
    }
    out += "end\n";
    return out;
}

std::string jobDigest(const PcJobState& state, const JobSettings& job)
{
    const std::string text = canonicalJob(state, job);
    return record_detail::sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

} // namespace plx71
