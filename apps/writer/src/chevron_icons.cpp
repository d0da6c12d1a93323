#include "chevron_icons.hpp"

#include <QPainter>
#include <QPainterPath>

namespace plx71 {

QPixmap chevronPixmap(ChevronDirection direction, int count)
{
    QPixmap pixmap(kChevronWidth, kChevronHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    // Each chevron is a filled wedge 9 px wide and 4 px high; the group is
    // centred vertically with a 1 px gap between wedges.
    const int wedgeHeight = 4;
    const int gap = 1;
    const int groupHeight = count * wedgeHeight + (count - 1) * gap;
    int top = (kChevronHeight - groupHeight) / 2;
    for (int i = 0; i < count; ++i) {
        for (int row = 0; row < wedgeHeight; ++row) {
            // Up: the point on top; down: the point at the bottom.
            const int widthIndex = direction == ChevronDirection::Up ? row : wedgeHeight - 1 - row;
            const int half = 1 + widthIndex;
            const int centre = kChevronWidth / 2;
            painter.drawLine(centre - half + 1, top + row, centre + half - 1, top + row);
        }
        top += wedgeHeight + gap;
    }
    return pixmap;
}

} // namespace plx71
