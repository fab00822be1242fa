// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Syllable and ruby segmentation. Builds the working table
// (`workLines`) from the raw table: every raw line becomes one or more
// working lines of slots, inline ruby notation is folded into the ruby fields
// of its base characters, and with automatic line break (`kaigyo`) on a line
// wider than the display is cut into pieces at word-like boundaries, with
// interpolated time tags at the cuts.
//
// Ruby notation, as the karaoke tag file writer produces it:
//   base characters, T1 "(" T1, reading, T2 ")" T2
// (the tags beside "(" equal in time as written, likewise those beside ")").

#include <cstdint>
#include <string>
#include <string_view>

#include "common/reporter.h"
#include "lyrics/lyrics_table.h"
#include "settings/conversion_options.h"

namespace kvelmor::measure {
class TextMeasurer;
}

namespace kvelmor::lyrics {

// The character classes of the line break.
enum CharClass : int {
    kClassSpace = 0,     // " " and the ideographic space U+3000
    kClassLatin = 1,     // ASCII letters and [ \ ] ^ _ ` (also in full width)
    kClassHiragana = 2,  // hiragana, half-width katakana, { | } ~
    kClassKatakana = 3,  // katakana, ー, 。「」、・, full-width { | } ～
    kClassKanji = 4,     // two-byte CP932 characters outside 0x8040..0x879F
    kClassSymbol = 5,    // two-byte CP932 codes 0x8040..0x879F, digits and ASCII punctuation,
                         // characters that CP932 cannot hold
};

// The class of one character, used by the line break: the character is
// converted hiragana -> katakana -> half width; " " is a space; a two-byte
// CP932 result is a symbol inside 0x8040..0x879F and a kanji outside it; a
// single-byte code up to 64 is a symbol, 65..122 Latin; above 122 it is
// katakana when converting back to full width gives the original character,
// else hiragana. A character CP932 cannot hold reads as "?" (a symbol).
int charClass(char32_t c);
// The class of the first character of a UTF-8 text (a slot's `text`); an
// empty text is a symbol.
int charClass(std::string_view utf8Char);

// Stage 1 of the refresh: empties the working table and builds it again from
// every raw line. With `kaigyo` off each raw line's text is built as it is;
// with it on, the line (its character widths measured afresh with textWidth
// in the lyrics font at its size and horizontal scale, so a font change
// since the load counts) has its ruby folded and is cut into pieces by
// `takeNextPiece`, each timed piece built as a working line. Sets `rubyState`
// to 2 when any notation is folded (it never sets it back to 1).
void rebuildWorkLines(Song& song, const settings::ConversionOptions& o, measure::TextMeasurer& m,
                        Reporter& r);

// Appends the working line(s) of one timed line of text: slots as the raw
// parser makes them (no widths; U+3000 stored as " " when `MojiSize` is on;
// tag times corrected when `WinAMPTime` is on), the build values of a fresh working line,
// `plainText`, ruby folded. Returns the number of working lines appended:
// 1, or more when the text needs more than 300 slots; the slots beyond 300
// then continue in a further working line (opened with a copy of the last tag
// when it starts with a character) and a warning is reported, so that no
// line ever holds more than 300 slots and no text is lost.
int buildWorkLine(Song& song, std::string_view text, const settings::ConversionOptions& o, Reporter& r);

// Folds the inline ruby notation of one line into `ruby` / `rubySpan` of the
// first base character and removes the notation's slots; `plainText` is
// rebuilt when anything was folded. Returns the number of notations folded
// (the caller sets `rubyState` to 2 when it is above 0). A "(" that is framed
// as a notation but never closed stays lyric text, and what was collected for
// it is dropped before the next notation is tried. A notation with no base
// character before it is left as lyric text too (it would have nothing to
// hold its reading), and so is one whose reading would spell a time tag (a
// tag file could not give it back). A notation with an empty reading is taken
// out and gives no ruby (`rubySpan` stays 0).
int foldRubyNotation(LyricLine& line);

// dispWidth - MarginL - MarginR, each read as a whole number.
int32_t availableWidth(const settings::ConversionOptions& o);

// Sum of `width` over the character slots.
int32_t totalCharWidth(const LyricLine& line);

// The slot at which a line of character width `totalWidth` is cut for an
// available width `available`: the first slot of the next piece (the current
// piece ends one slot before it). Candidates by character class as the line break
// describes, the one nearest to the target width T / P chosen. Guards: a
// candidate without a character before it is not considered (it would cut
// nothing off), and
// the result always leaves at least one character in the current piece (no
// empty first piece); a cut inside a ruby base moves to the start of the base
// (or, when the base starts the piece, to just after it). Returns
// unitCount + 1 when the line cannot be cut (a single character).
int chooseBreak(const LyricLine& line, int32_t totalWidth, int32_t available);

// Cuts the next piece off the line and returns it as tagged text (as a .kra line),
// or "" when the line is empty. A line whose character width fits
// `available` (or when `available` is not positive) is returned whole and
// emptied. Otherwise the piece is slots 1..c-1 with, when it ends in a
// character, a closing tag at the time interpolated at slot c (slot c's own
// time when c is a tag), left out at time 0 unless the piece
// would then hold no tag at all (it would not be a timed line). The rest
// (from the cut, without the spaces at it) stays in the line, opened with a
// tag at its interpolated time. Every piece takes at least one character, and
// the rest is kept whenever it holds a character (even a single last
// character without a tag after it), so no text is lost.
std::string takeNextPiece(LyricLine& line, int32_t available);

}  // namespace kvelmor::lyrics
