#include "tile_grid.hpp"

#include "slot_tile.hpp"

#include <QEvent>

#include <algorithm>

namespace plx71::station {

namespace {

constexpr int kGap = 6;
constexpr int kFullWidth = 250;    // narrowest full tile
constexpr int kCompactWidth = 230; // narrowest compact tile
constexpr int kWidest = 420;       // wider than this a tile only spreads its texts

// As many columns as the width takes, then as few as give the same number
// of rows: sixteen tiles are four rows of four, not three of five and one.
int columnsFor(int count, bool compact, int width)
{
    const int most =
        std::clamp((width + kGap) / ((compact ? kCompactWidth : kFullWidth) + kGap), 1, std::max(count, 1));
    const int rows = (count + most - 1) / most;
    return std::max(1, (count + rows - 1) / std::max(rows, 1));
}

} // namespace

TileGrid::TileGrid(QWidget* parent) : QWidget(parent) {}

void TileGrid::setCount(int count, const std::function<SlotTile*()>& make)
{
    while (int(tiles_.size()) > count) {
        tiles_.back()->deleteLater();
        tiles_.pop_back();
    }
    while (int(tiles_.size()) < count) {
        SlotTile* tile = make();
        tile->setParent(this);
        tile->show();
        tiles_.push_back(tile);
    }
    arrange();
}

int TileGrid::indexOf(const SlotTile* tile) const
{
    const auto it = std::find(tiles_.begin(), tiles_.end(), tile);
    return it == tiles_.end() ? -1 : int(it - tiles_.begin());
}

void TileGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void TileGrid::fitTo(QWidget* view)
{
    view_ = view;
    view_->installEventFilter(this);
}

bool TileGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::Resize)
        arrange();
    return QWidget::eventFilter(watched, event);
}

int TileGrid::tileHeight(bool compact)
{
    int& height = heights_[compact ? 1 : 0];
    if (height == 0) {
        SlotTile probe;
        probe.setCompact(compact);
        height = probe.sizeHint().height();
    }
    return height;
}

void TileGrid::arrange()
{
    if (arranging_ || tiles_.empty()) {
        setMinimumHeight(0);
        return;
    }
    arranging_ = true;
    const int n = count();
    const int width = this->width();
    const int room = view_ ? view_->height() : height();
    bool compact = false;
    int columns = columnsFor(n, false, width);
    int rows = (n + columns - 1) / columns;
    if (rows * (tileHeight(false) + kGap) - kGap > room) {
        compact = true;
        columns = columnsFor(n, true, width);
        rows = (n + columns - 1) / columns;
    }
    const int height = tileHeight(compact);
    const int tileWidth = std::min(kWidest, (width - (columns - 1) * kGap) / columns);
    for (int i = 0; i < n; ++i) {
        SlotTile* tile = tiles_[std::size_t(i)];
        tile->setCompact(compact);
        tile->setGeometry((i % columns) * (tileWidth + kGap), (i / columns) * (height + kGap), tileWidth, height);
    }
    setMinimumHeight(rows * (height + kGap) - kGap);
    arranging_ = false;
}

} // namespace plx71::station
