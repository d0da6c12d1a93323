#pragma once
// Sizes in dialog units: a quarter of the font's average character width
// across, an eighth of its line height down. A window whose controls are
// sized this way keeps its proportions in any font and at any scale.
#include <QFont>
#include <QFontMetrics>

namespace plx71::qtui {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        averageWidth_ = metrics.averageCharWidth();
        height_ = metrics.height();
    }

    // Pixels of `units` across and down.
    int x(int units) const { return averageWidth_ * units / 4; }
    int y(int units) const { return height_ * units / 8; }

private:
    int averageWidth_ = 0;
    int height_ = 0;
};

} // namespace plx71::qtui
