#pragma once
// The identity of one job in the record: a random UUID (version 4), made when
// the job starts, that keys its record line wherever the line travels.
#include <string>

namespace plx71 {

// 36 characters, lower-case: "xxxxxxxx-xxxx-4xxx-Yxxx-xxxxxxxxxxxx".
std::string newJobId();

} // namespace plx71
