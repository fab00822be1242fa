// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Line timing: when every lyric line is shown and removed, the corrected and
// shifted time of every tag, the sung duration of every syllable and of each
// of its characters, and the screen row of every line.
//
// Each function below is one stage of the layout refresh and works over the
// whole working table, reading the settings it needs when it runs. The
// refresh runs them in stage order, interleaved with placement (placement.h).
// All times are centiseconds. Arithmetic is done in 64 bits and every time
// stored is kept inside the 32-bit range (a sum past it is held at the
// largest time), so no typed setting can make a stage fail.

#include <cstdint>
#include <vector>

#include "lyrics/lyrics_table.h"
#include "settings/conversion_options.h"

namespace kvelmor::layout {

inline constexpr int32_t kMaxRows = 10;

// R, the number of screen rows: the position of the selected LineNumber entry
// plus one, kept within 1 .. kMaxRows.
int32_t rowCount(const settings::ConversionOptions& o);

// The working lines grouped into screens, each screen the 1-based indices of
// its lines in table order. A new screen starts at the first line and at every
// line whose rowNumber is not greater than the previous line's.
std::vector<std::vector<int>> groupScreens(const lyrics::LineTable& lines);

// Whether the written lines and their ruby sweep in time with karaoke tags:
// the karaoke, per-character and border wipes always, the template styles
// while KaraokeWipe is ticked, "no wipe" never. A line that does not
// sweep carries no karaoke tag at all, not even its lead-in: a lead-in tag in
// front of untimed text would sweep the whole text during the lead-in.
bool karaokeSweeps(const settings::ConversionOptions& o);

// Stage 2, tag extremes: firstTagTime and lastTagTime are the rawTime of the
// line's first and last tag slot (both 0 for a line without tags).
void computeTagExtremes(lyrics::Song& song);

// Stage 6, time correction: clears the lead-in, lead-out and advance; sets
// the line's start and end from its tag extremes, and each tag's time from its
// rawTime, divided by 0.9953125 when WinAMPTime is on and shifted by upTime
// (which may be negative). A time below 0 becomes 0, and an end before the
// start (tags out of order) becomes the start. The line takes the mark colour of
// the standard colour set for its marked characters (markColorText).
void correctTimes(lyrics::Song& song, const settings::ConversionOptions& o);

// Stage 7, syllable durations: each tag's duration is the time to the next tag
// (0 for the last tag), and the characters between two tags share it. A tag
// later than the next one is pulled back to the next one's time; a tag later
// than every tag of the lines after it by more than kMistypedTagSlack is out
// of range and takes the time of the tag before it. Either way its syllable
// lasts no time.
void computeSyllableDurations(lyrics::Song& song);

// Stage 8, lead-in and lead-out: the line is shown preTime before its first
// tag (never before 0) and removed aftTime after its last tag (never before
// it is shown).
void applyLeadInOut(lyrics::Song& song, const settings::ConversionOptions& o);

// Stage 9, row assignment: a line takes the next row while it overlaps in time
// a line already on the current screen and a row is free, otherwise row 1.
// Also renews kanjiStyle from StyleNumber unless the line uses a spare style.
void assignRows(lyrics::Song& song, const settings::ConversionOptions& o);

// Stage 10, batch display: lines of a screen come up together (or row by row as
// the rows they need are sung on the previous screen) and the previous
// screen's lines stay until their rows are needed. Does nothing when
// DisplayType2 (one line after another) is selected or there are fewer than
// two lines. A line that the screens would end before it starts (lines out
// of time order) ends where it starts. Either way every line's window is
// then kept as its plannedStart and plannedEnd.
void applyBatchDisplay(lyrics::Song& song, const settings::ConversionOptions& o);

// Stage 13, rows settled: no two lines are up in the same row, or at the same
// height, at the same time. With new line priority (LyricsDisp 1) a line
// still shown when a later line needs its row ends LyricsDispTime before that
// line starts (never before 0, nor before its own start); without it the
// later line comes up when the earlier one has gone. Either way a line stays
// until its last syllable is sung: the later line's lead-in shortens instead,
// down to none at its first tag. The refresh and the write command run it
// whatever LyricsDisp says.
void applyNewLinePriority(lyrics::Song& song, const settings::ConversionOptions& o);

}  // namespace kvelmor::layout
