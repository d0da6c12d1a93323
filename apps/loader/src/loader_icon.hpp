#pragma once
// The loader's own icon: the writer box with an arrow bringing new firmware
// down into it.
#include <QIcon>

namespace plx71 {

QIcon loaderIcon();

} // namespace plx71
