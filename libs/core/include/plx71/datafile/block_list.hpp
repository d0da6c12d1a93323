#pragma once
// Block lists ("0,2-4") and address range lists ("C0000-C00FF, D0000").
#include "plx71/image/rom_image.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plx71 {

// Parses a block list with numbers lowest..highest (highest <= 31) into a
// bit mask. Returns false and leaves `mask` unchanged on an invalid list.
bool parseBlockList(std::string_view text, int lowest, int highest, std::uint32_t& mask);

// Writes a mask as a list over the numbers first..last: 0x1D -> "0,2-4".
std::string formatBlockList(std::uint32_t mask, int first, int last);

inline constexpr std::size_t kMaxAddressRanges = 5;

// What a range whose last address is its first ("C0000-C0000") is: the one
// address (plx71 convert --ranges), or invalid (Data Save's "Save Address :"
// field, where the last address must lie above the first).
enum class EqualEnds { OneAddress, Invalid };

// Parses the "Save Address :" syntax: up to five items, each a hexadecimal
// address or two joined by '-', within lowest..highest; a range may not end
// below its start, and ends equal to its start as `equalEnds` says. nullopt
// when invalid. An empty text (or blanks only) gives an empty list: the
// whole area.
std::optional<std::vector<AreaRange>> parseAddressRanges(std::string_view text, std::uint32_t lowest,
                                                         std::uint32_t highest, EqualEnds equalEnds);

// Reads an editor input field as hexadecimal: leading blanks, then hex digits
// only; empty (or blanks only) is 0. nullopt when invalid or above 32 bits.
std::optional<std::uint32_t> parseHexField(std::string_view text);

} // namespace plx71
