#pragma once
// The tiles of the station window, laid out to the room they have: as many
// columns as the width takes, every tile as wide as the others; when the
// full tiles do not fit the height, compact ones, so that sixteen fit the
// default window of a 1366x768 screen. Only beyond that does it scroll.
#include <QWidget>

#include <functional>
#include <vector>

namespace plx71::station {

class SlotTile;

class TileGrid : public QWidget {
public:
    explicit TileGrid(QWidget* parent = nullptr);

    // Makes `count` tiles: new ones from `make`, the last ones dropped.
    void setCount(int count, const std::function<SlotTile*()>& make);
    int count() const { return int(tiles_.size()); }
    SlotTile* tile(int index) const { return tiles_[std::size_t(index)]; }
    int indexOf(const SlotTile* tile) const;
    // The room is `view`'s (a scroll area's viewport): its height changes
    // without this widget's when the tiles are taller than it.
    void fitTo(QWidget* view);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void arrange();
    // A tile's height in each form, measured once on a tile of its own.
    int tileHeight(bool compact);

    std::vector<SlotTile*> tiles_;
    QWidget* view_ = nullptr;
    int heights_[2] = {0, 0};
    bool arranging_ = false;
};

} // namespace plx71::station
