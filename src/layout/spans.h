// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Horizontal offsets inside a laid-out line, from the character widths stored
// in its slots. Nothing here measures text; the widths were stored by line
// placement (or by the reader). Tag slots have no width.

#include <cstdint>

#include "lyrics/lyrics_table.h"

namespace kvelmor::layout {

// Pixels: the left edge of slot k, that is the line's posX plus the widths of
// the character slots 1 .. k-1. Slot 1 (and anything before it) is at posX;
// a k past the line's last slot gives 0.
int32_t cellLeft(const lyrics::LyricLine& line, int k);

// Pixels: the summed widths of the first n character slots at or after slot
// `start`, tag slots skipped and not counted. The walk ends at the line's last
// slot, so a run that runs out of slots sums what it found; n <= 0 gives 0.
int32_t runWidth(const lyrics::LyricLine& line, int n, int start);

// The number of slots that can be read: unitCount, but never more than the
// slots the record really holds.
int usedSlots(const lyrics::LyricLine& line);

}  // namespace kvelmor::layout
