// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The refresh pipeline: the numbered stages that lay a song out again after
// a load or a change of settings, always run in the order a change lists.

#include <array>
#include <functional>
#include <vector>

#include "settings/schema.h"

namespace kvelmor::app {

class Session;

inline constexpr int kStageCount = 17;

// The stages by number (1-based):
//  1 rebuild the working lines from the lines read   10 batch display
//  2 tag extremes                                     11 line placement
//  3 missing start or end tags                        12 bottom alignment (only with LowerCheck)
//  4 script information                               13 rows settled: new line priority, or the
//                                                        later line waits (LyricsDisp off)
//  5 styles                                           14 ruby placement
//  6 time correction                                  15 ruby timing
//  7 syllable durations                               16 times out of order, lines cut while
//                                                        sung, lines with no sung time
//  8 lead-in and lead-out                             17 lines that do not fit the frame's
//  9 row assignment                                      width or height
using StageFunction = std::function<void(Session&)>;
using StageTable = std::array<StageFunction, kStageCount + 1>;  // index 0 unused

// The stages as the program runs them.
const StageTable& standardStages();

// Stages 1 to 17.
std::vector<int> fullRefresh();

// Bottom alignment runs only while the rows are bottom-aligned (LowerCheck).
inline constexpr int kBottomAlignStage = 12;

// The stages a change that makes `what` stale runs, in order.
std::vector<int> stagesFor(settings::Invalidates what);

// What a newly loaded preset runs: the full refresh, so that the song is
// laid out exactly as a conversion with that preset lays it out.
std::vector<int> presetRefresh();

}  // namespace kvelmor::app
