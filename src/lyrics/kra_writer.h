// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The karaoke tag file writer. Writes the working lines back as a
// timed-lyrics file (.kra) that the lyrics reader reads, ruby written
// inline in the notation that the segmentation folds back, and
// provides the line serialiser the automatic line break cuts lines with.

#include <string>

#include "common/encoding.h"
#include "common/reporter.h"
#include "lyrics/lyrics_table.h"

namespace kvelmor::lyrics {

// A time for the character slot x inside its syllable, from the times as
// written (`rawTime`): with k the nearest tag slot before x and m the first
// tag slot after k, n the characters from k + 1 to x - 1 and d the characters
// between k and m, rawTime(k) + n * round((rawTime(m) - rawTime(k)) / d)
// (halves to even). When x is itself the first tag after k the result lies at
// (or within rounding of) that tag.
// Guards: with no tag before x the characters count as a syllable of no
// length at the first tag after x (as the tag repair of the checks treats
// them), so the time of that tag is returned (0 when the line has
// no tag); with no tag after k, or no character between k and m, the step is
// 0 and rawTime(k) is returned.
Centiseconds interpolateTime(const LyricLine& line, int x);

// The line as tagged text: its tags ("[mm:ss:cc]" of `rawTime`) and
// characters in slot order, ruby written inline as
//   base characters, tb "(" tb, reading, te ")" te
// where tb is the tag at which the base starts and te the one at which it
// ends (interpolated when the base starts or ends inside a syllable); tags
// inside a ruby base are not written.
// One guard of our own: a ruby base with no tag anywhere before it gets
// the tag at its interpolated start written in front of it, so the notation
// stays framed and is folded back rather than read as lyric text.
std::string serializeLine(const LyricLine& line);

// The .kra path of a lyrics path: up to and including the last "." of the
// file name, then "kra" ("a/song.txt" -> "a/song.kra", "a/song.kra" itself);
// a file name without "." gets ".kra" appended ("a.d/song" -> "a.d/song.kra").
std::string kraPathFor(const std::string& lyricsPath);

// The whole file as text (UTF-8, lines ending in CR LF): every working line
// serialised, then the nine header lines "@title=" ... "@taggedby=Kvelmor".
std::string kraFileText(const Song& song);

// The first lyric line of a tag file's text (1-based line number in the
// text; header lines are not counted as slots) that holds more than
// kMaxSlots slots (time tags and characters), 0 when none does. A working
// line written out with its readings as inline notation takes more slots
// than it holds, and a longer line would not read back whole.
int firstKraLineOverSlots(std::string_view kraText);

struct KraWriteResult {
    bool written = false;
    std::string path;  // the file written (or that could not be written)
    TextEncoding encoding = TextEncoding::Cp932;
};

// Writes kraFileText(song) to kraPathFor(song.lyricsPath), replacing any
// file of that name through a whole-file atomic write. The file is CP932 when
// every character has a CP932 form, else UTF-8 with a byte-order mark (the
// reader reads both). Nothing is written when `lyricsPath` is empty. A
// failure to write is reported through `reporter`, naming the file and the
// reason.
KraWriteResult writeKraFile(const Song& song, Reporter& reporter);
// The same, to a path of the caller's choosing.
KraWriteResult writeKraFile(const Song& song, const std::string& path, Reporter& reporter);

}  // namespace kvelmor::lyrics
