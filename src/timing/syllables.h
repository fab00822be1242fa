// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The syllables of a song to be timed: each one the unit a tap marks. A line
// of plain lyrics is split into syllables here; timed lyrics keep the
// syllables their tags give.
//
// Plain lyrics may carry readings in the untimed notation: a reading in
// parentheses right after its base, 春(はる)の風(かぜ), where the base is the
// run of kanji (with 々, 〆 and ヶ) directly before "("; a base of other
// characters, or one that starts inside a run of kanji, is opened with "|"
// (or "｜"): |Hello(はろー), 今|日(ひ). Any other parenthesis is lyric text.
//
// Splitting rules, so that each syllable is one sung beat:
// - each kana is a syllable; small kana (ゃゅょぁぃぅぇぉゎ and their katakana)
//   and ー are sung with the kana before them and join it; っ and ん are
//   syllables of their own, or join the one before (an option);
// - a base with a reading is timed through its reading: the reading's mora
//   are the syllables and the base spans them;
// - a kanji without a reading is one syllable;
// - a Latin word (letters, digits, apostrophes) is one syllable, or split
//   into the syllables it is sung in (an option: hyphenation where the
//   patterns know the word, then by its vowels);
// - spaces and punctuation join the syllable before; opening brackets and
//   anything before the line's first syllable join the one after.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvelmor::timing {

class Hyphenator;

// Milliseconds of song time.
using Millis = int64_t;

struct Syllable {
    std::u32string text;  // what is sung: lyric characters, or mora of a reading
    std::u32string tail;  // characters after it, timed with it but not sung (spaces, punctuation)
    std::u32string lead;  // characters before it in the same way (opening brackets)
    int ruby = -1;        // index into TimingLine::rubies when `text` is part of a reading
    std::optional<Millis> start;  // the tap that starts it
    // Its end when it ends before the next syllable starts (a gap) or when it
    // is the line's last syllable (the line's end); otherwise the next start.
    std::optional<Millis> end;

    bool operator==(const Syllable&) const = default;
};

// A base written with a reading; its syllables are the ones whose `ruby`
// is its index, always next to each other.
struct Ruby {
    std::u32string base;
    bool operator==(const Ruby&) const = default;
};

struct TimingLine {
    bool lyric = false;  // false: a header or blank line, written back as it was read
    std::string text;    // a line that is not lyric: its text
    std::vector<Syllable> syllables;
    std::vector<Ruby> rubies;

    int count() const { return static_cast<int>(syllables.size()); }
    // Whether syllables a and b belong to the same reading (or both to none).
    bool sameRuby(int a, int b) const;
    // The first and one past the last syllable of the reading of syllable i
    // ({i, i + 1} when it has none).
    std::pair<int, int> rubyRange(int i) const;
    // When syllable i ends: its own end, else the next syllable's start.
    std::optional<Millis> endOf(int i) const;
    bool operator==(const TimingLine&) const = default;
};

enum class LatinSplit { ByWord, ByHyphenation };

struct SplitOptions {
    bool joinSokuonAndHatsuon = false;  // っ and ん join the syllable before
    LatinSplit latin = LatinSplit::ByHyphenation;
    const Hyphenator* hyphenator = nullptr;  // without one, Latin splits by its vowels alone
};

// Reading a lyrics text to time.
struct ParseOptions {
    SplitOptions split;
    // Timed lines in a file with no "@timeratio=" line: whether their times
    // are corrected by 640/637 as the converter reads them (its `WinAMPTime`).
    bool correctUnmarkedTimes = true;
};

// Splits one line of plain lyrics (untimed notation allowed) into syllables.
TimingLine splitPlainLine(std::u32string_view line, const SplitOptions& options);

// Reads one timed line: the characters between two tags are a syllable (a
// reading framed by the tag file notation becomes one syllable per timed
// part); two tags in a row end the syllable before the second one early.
// A line tapped part of the way has text with no tags before its first tag
// or after its last: that text is split as a plain line is, so that its
// syllables can still be tapped one by one. Times are multiplied by `scale`
// (1, or 640/637 for corrected times).
TimingLine readTimedLine(std::u32string_view line, double scale = 1.0, const SplitOptions& split = {});

// Every line of a lyrics text (UTF-8): header and blank lines kept as they
// are, timed lines read with their times, plain lines split. A file's
// "@timeratio=" line holds for the lines after it, as the converter reads
// it: corrected times are brought to real time as they are read, and the
// line itself is left out (the timed lyrics are written after
// "@timeratio=1", since taps are in real time).
std::vector<TimingLine> readLyrics(std::string_view utf8, const ParseOptions& options);

// Whether the character is one a base of the untimed notation is made of
// without "|": a kanji, 々, 〆 or ヶ.
bool isKanjiBase(char32_t c);

// Whether a run of characters holds nothing that is sung (no kana, kanji or
// letter): punctuation, which a saved line writes as a reading's tail when it
// takes no time right after the reading ("...)[te]、[te]").
bool isUnsungRun(std::u32string_view run);

// What a syllable shows in the window: lead, text, tail.
std::u32string shownText(const Syllable& s);

}  // namespace kvelmor::timing
