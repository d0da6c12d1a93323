#pragma once
// Why a slot's job failed, in one line for its tile.
#include <QString>

namespace plx71::station {

// "plx71"'s words for why a job failed, in one line: the first message the
// session reported, then its reason.
QString oneLineCause(const QString& text, const QString& detail);

} // namespace plx71::station
