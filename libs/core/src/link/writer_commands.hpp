#pragma once
// Everything a front end needs to talk to the writer box, in one include:
// the command set, its records and values, and the link sequences.
#include "link/box_link.hpp"
#include "link/command_codes.hpp"
#include "link/command_frames.hpp"
#include "link/device_parameters.hpp"
#include "link/firmware_version.hpp"
#include "link/link_sequences.hpp"
#include "link/rom_pages.hpp"
#include "link/writer_settings.hpp"
