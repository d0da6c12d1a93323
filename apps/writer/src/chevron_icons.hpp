#pragma once
// The images of the editor's paging buttons: one, two or three chevrons
// pointing up or down, drawn at 11 x 20 pixels.
#include <QPixmap>

namespace plx71 {

enum class ChevronDirection { Up, Down };

inline constexpr int kChevronWidth = 11;
inline constexpr int kChevronHeight = 20;

QPixmap chevronPixmap(ChevronDirection direction, int count);

} // namespace plx71
