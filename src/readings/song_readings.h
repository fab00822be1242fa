// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Suggested readings laid onto lyrics: onto a line of slots (timed lyrics,
// the working table), onto a line of plain text in the untimed notation,
// and onto a whole lyrics file.
//
// The untimed notation (plain lyrics, one sung line per line, before they
// are timed): a reading in parentheses right after its base,
//   春(はる)の風(かぜ)、学(がっ)校(こう)
// where the base is the run of kanji (with 々 and ヶ) directly before "(".
// A base of other characters, or one that starts inside a run of kanji, is
// opened with "|" (or the full-width "｜"): |Hello(はろー), 今|日(ひ). Any
// other parenthesis is lyric text. A timed line holds tags and uses the
// notation of the tag files instead.

#include <string>
#include <string_view>
#include <vector>

#include "lyrics/lyrics_table.h"
#include "readings/suggest.h"

namespace kvelmor::readings {

// A ruby for a line of slots: `span` character slots from character slot `slot`.
struct RubyPlacement {
    int slot = 0;
    int span = 0;
    std::string reading;

    bool operator==(const RubyPlacement&) const = default;
};

// Where the line's suggestions (for its `plainText`) go: one ruby per
// suggestion, except that a suggestion over characters of several syllables
// (a time tag among them) becomes one ruby per syllable, the reading's mora
// spread over them in order, as evenly as they go (今|日 きょう: 今 きょ, 日 う),
// since a ruby base holds no tag. Suggestions over a character that already
// lies under a ruby are left out: readings the user gave are never replaced.
std::vector<RubyPlacement> placeSuggestions(const lyrics::LyricLine& line, const LineSuggestions& suggestions);

// Sets the placements' ruby and span on the line (widths are left to the caller's measuring).
void applyPlacements(lyrics::LyricLine& line, const std::vector<RubyPlacement>& placements);

// A line of plain text with its readings in the untimed notation taken apart.
struct AnnotatedLine {
    std::u32string plain;
    std::vector<Suggestion> rubies;  // over characters of `plain`
};
AnnotatedLine parseUntimedNotation(std::u32string_view line);
// The line written back in the untimed notation.
std::u32string writeUntimedNotation(const AnnotatedLine& line);

// A timed line of text as slots (tags and characters as written, without
// widths or time correction), its inline ruby folded.
lyrics::LyricLine lineFromTimedText(std::u32string_view text);

struct UnreadWord {
    int lineNumber = 0;  // 1-based, in the file
    std::string word;
};

struct FilledSong {
    std::string text;         // the file with the readings added, line by line as it was, line ends kept
    lyrics::Song song;        // its timed lines and header lines, for a tag file
    int added = 0;            // readings added
    int timedLines = 0;
    int plainLines = 0;       // lines of plain text given the untimed notation
    std::vector<UnreadWord> unread;
    // Timed lines (1-based, in the file) that would hold more than 300
    // slots with all their readings, and keep only those that fit.
    std::vector<int> overfull;
};

// Every missing reading of a lyrics file's text (UTF-8) filled in: timed
// lines get the tag file notation (readings framed by the tags of their
// kanji, interpolated inside a syllable), lines of plain text the untimed
// notation; header lines, empty lines and lines already read whole are kept
// as they were.
FilledSong fillSongText(Analyzer& analyzer, std::string_view utf8);

}  // namespace kvelmor::readings
