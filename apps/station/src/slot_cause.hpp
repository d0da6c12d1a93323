#pragma once
// Why a slot's job failed, in one line for its tile, in the words of the
// failure's kind: "box stopped answering at page 0DF1", "page 0E00 refused
// by the box", "verify: differs at 0FA742".
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"

#include <QString>

namespace plx71::station {

// Worded from the outcome alone; `phase` is where a cancelled job was.
// Empty for a success, and for a failure the outcome says too little about
// (then the session's first message stands in: oneLineCause).
QString causeOf(const BoxOutcome& outcome, ProgressPhase phase);

// The first message the session reported, then its reason, in one line.
QString oneLineCause(const QString& text, const QString& detail);

} // namespace plx71::station
