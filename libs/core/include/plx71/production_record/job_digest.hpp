#pragma once
// The job digest: SHA-256 over what the writer box will do to a target, so
// one job can be named, released and audited whatever file format and file
// names brought its data. "jobDigest" of the record lines, plx71 info.
#include "plx71/job/job_settings.hpp"
#include "plx71/job/pc_job_state.hpp"

#include <string>

namespace plx71 {

// The canonical form the digest is taken over (version 1). Text lines end
// in '\n'; numbers are upper-case hex, addresses six digits:
//
//   plx71-job-digest-v1
//   device=<device type name>
//   operationBlocks=<the operation block mask Download sends, 2 digits>
//   lockBits=<the lock bit mask Download sends, 2 digits; 80 = no change>
//   checkId=<the seven Check ID bytes, "01,02,03,04,05,06,07">
//   targetRate=<the target rate's name, "1M"; its index when unknown>
//   serialMode=<"Clock synchronous" or "UART"; its index when unknown>
//   updateEnable=<0 or 1>
//   user=<first>-<last address>     once per operated User ROM block, in
//   <the block's bytes, raw>        ascending addresses, clipped to the area
//   boot=<first>-<last address>     with Update Enable and a Boot ROM file:
//   <the Boot ROM area's bytes, raw> else "boot=none" with Update Enable
//   end
//
// Block lists are taken as the masks they give ("0-2" and "0,1,2" are one
// job); file names, the link rate and the port are not part of it.
std::string canonicalJob(const PcJobState& state, const JobSettings& job);

// SHA-256 of canonicalJob: 64 lower-case hex digits.
std::string jobDigest(const PcJobState& state, const JobSettings& job);

} // namespace plx71
