#pragma once
// Small S-record and device-table helpers of the job and project tests.
#include "plx71/devices/device_table.hpp"
#include "plx71/job/pc_job_state.hpp"
#include "plx71/testing/default_device.hpp"
#include "plx71/testing/record_text.hpp"
#include "plx71/testing/scratch_dir.hpp"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace plx71::testing {

// One S2 record (24-bit address), check sum included, and an S9 line: the
// reader ignores S9 but wants an end record, so any file made of these is whole.
inline std::string s2(std::uint32_t address, const std::vector<std::uint8_t>& data)
{
    return test::sRecord('2', address, data) + "\nS9030000FC\n";
}

inline const std::string kTestTable = std::string(test::kDefaultDeviceLine)
    + "\n"
      "M30620FCFP,FE000,2000,E0000,20000,4,5.0V,5.0V\n"
      "M30803FGFP,FFE000,2000,FC0000,40000,6,5.0V,12V\n"
      "M30100ONE,FE000,2000,FC000,4000,0,3.3V,3.3V\n"
      "M30101TWO,FE000,2000,F8000,8000,1,3.3V,3.3V\n";

inline PcJobState stateWithTestTable()
{
    PcJobState s;
    s.deviceTable = parseDeviceTable(kTestTable);
    return s;
}

} // namespace plx71::testing
