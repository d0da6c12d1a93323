#pragma once
// Everything a front end needs to talk to the writer box, in one include:
// the command set, its records and values, and the link sequences.
#include "plx71/link/command_codes.hpp"
#include "plx71/link/command_frames.hpp"
#include "plx71/link/device_parameters.hpp"
#include "plx71/link/firmware_version.hpp"
#include "plx71/link/link_sequences.hpp"
#include "plx71/link/rom_pages.hpp"
#include "plx71/link/writer_link.hpp"
#include "plx71/link/writer_settings.hpp"
