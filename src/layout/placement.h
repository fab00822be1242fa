// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Line and ruby placement: the \pos of every line (its left edge and bottom
// edge, pixels of the script frame), the position of every ruby above the
// characters it reads, and the time window of each ruby.
//
// Each of placeLines, bottomAlign, placeRuby and timeRuby is one stage of the
// layout refresh over the whole working table. Positions are worked out in
// double precision or 64 bits and stored held inside the 32-bit range, so a
// typed setting such as dispWidth 99999 cannot make a stage fail.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "measure/text_measure.h"
#include "lyrics/lyrics_table.h"
#include "settings/conversion_options.h"

namespace kvelmor::layout {

// Horizontal alignment of a line. Any other value places the line at 0.
using LineAlign = settings::Align;

// Stage 11: measures every character in the lyrics font (at its
// size, scaled horizontally) into the slot's width, sums them into
// lineWidth, sets lineHeight, and places each line: posX from the alignment
// options of its row kind (top, middle, bottom, or the single-line options for
// a first-row line that follows a first-row line), posY from its row. Row R
// sits MarginV above the bottom edge and each row above it one pitch higher,
// the pitch being the scaled font height plus MarginN, shadowDepth, rubyUp and
// rubyDown.
void placeLines(lyrics::Song& song, const settings::ConversionOptions& o, measure::TextMeasurer& measurer);

// The left edge (pixels) of a line `width` pixels wide. The width is first
// scaled by rubyScale (rounded half to even) and the scaled value is written
// back to `width`. Left is MarginL and right ends at dispWidth - MarginR;
// with setXpositon on, a narrow line (half its scaled width less than a third
// of the room between the margins) is instead centred in the left or right
// third.
int32_t horizontalPosition(int32_t& width, LineAlign code, const settings::ConversionOptions& o);

// Stage 12: a screen with fewer lines than rows, whose bottom rows are free
// in time when it starts, is moved down so that its last line sits on the
// bottom row; a screen of one line is also centred. The refresh runs it only
// when LowerCheck is 1, after placeLines.
void bottomAlign(lyrics::Song& song, const settings::ConversionOptions& o);

// The font ruby is measured in: the ruby font at its size, scaled horizontally.
struct RubyFont {
    std::string face;
    int32_t pointSize = 0;
    double scaleX = 1;
};
RubyFont rubyFont(const settings::ConversionOptions& o);
// Pixels: the width of a reading in the ruby font.
int32_t rubyTextWidth(measure::TextMeasurer& measurer, const RubyFont& font, std::string_view ruby);

// Stage 14: the ruby style of each line, and for every slot with ruby its
// measured width (the ruby font at its size, scaled horizontally), height
// (the ruby font's pixel height), and position: centred over the characters it reads (rounded
// down), its bottom edge above the line by the scaled font height,
// shadowDepth and rubyDown. Readings of different kanji keep a gap of a
// quarter of the ruby font's pixel height between them: one that would come nearer a neighbour
// is drawn narrower (rubyScaleX, down to half its width) and stays centred;
// only readings still too close are then moved apart, as little as they
// must.
void placeRuby(lyrics::Song& song, const settings::ConversionOptions& o, measure::TextMeasurer& measurer);

// Stage 15: for every slot with ruby, when the characters under it start and
// stop being sung (centiseconds), from the tag times and character durations.
void timeRuby(lyrics::Song& song);

// The sung lengths (centiseconds) of the pieces of a reading that has tags
// inside it: one piece before its first tag and one after each, together
// rubyDuration, each tag's time held inside the ruby's time window and
// never before the tag before it. One piece, rubyDuration, without such tags.
std::vector<int32_t> rubyPieceDurations(const lyrics::SlotRuby& ruby);

// Letter spacing (pixels) that spreads the ruby of slot j evenly over the
// characters it reads, or 0 when it is not spread (a one-letter ruby, a ruby
// as wide as or wider than its characters, a slot without ruby). When it is
// spread, the ruby's rubyX moves to the left edge of its characters plus half
// a spacing so it stays centred.
int32_t rubySpacing(lyrics::LyricLine& line, int j);

}  // namespace kvelmor::layout
