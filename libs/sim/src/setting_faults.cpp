// The settings fault: the box answers its settings query with one field
// changed, as a box with a failing memory cell would.
#include <algorithm>
#include <iterator>

#include "plx71sim/software_box.hpp"

namespace plx71sim {
namespace {

void alterText(std::string& text)
{
    if (text.empty())
        text = "X";
    else
        text.back() = text.back() == '#' ? '$' : '#';
}

} // namespace

bool isSettingField(const std::string& name)
{
    return std::find(std::begin(kSettingFields), std::end(kSettingFields), name) != std::end(kSettingFields);
}

WriterSettings alteredSettings(WriterSettings s, const std::string& field)
{
    if (field == "device")
        s.device[0] ^= 0x01; // Boot ROM start page, low byte
    else if (field == "device-name")
        alterText(s.deviceName);
    else if (field == "update-enable")
        s.updateEnable ^= 0x01;
    else if (field == "user-file-name")
        alterText(s.userFileName);
    else if (field == "boot-file-name")
        alterText(s.bootFileName);
    else if (field == "check-id")
        s.checkId[6] ^= 0x01;
    else if (field == "target-rate")
        s.targetRateCode ^= 0x01;
    else if (field == "lock-bits")
        s.lockBits ^= 0x01;
    else if (field == "operation-blocks")
        s.operationBlocks ^= 0x01;
    return s;
}

} // namespace plx71sim
