#pragma once
// The firmware loader's pieces: the firmware file check of "Select..." and
// the page phase of the firmware download (BoxSession runs the rest).
#include "plx71/ops/firmware_download.hpp"
#include "plx71/ops/select_firmware.hpp"
