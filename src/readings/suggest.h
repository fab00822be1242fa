// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Readings suggested for the kanji of a line of lyrics.

#include <string>
#include <string_view>
#include <vector>

#include "readings/analyzer.h"

namespace kvelmor::readings {

// A reading over `count` characters of the line from character `first` (0-based).
struct Suggestion {
    size_t first = 0;
    size_t count = 0;
    std::string reading;  // hiragana, UTF-8

    bool operator==(const Suggestion&) const = default;
};

struct LineSuggestions {
    std::vector<Suggestion> readings;  // in line order, never overlapping, only over kanji
    std::vector<std::string> unread;   // the words with kanji the dictionary does not know, as written
};

// The readings of every kanji of the line, each word read in the context of
// the line: okurigana and other kana keep no ruby, a word of several kanji is
// read kanji by kanji where the share of each is clear (splitPerKanji), a
// number and its counter as spoken (三百 さん+びゃく, 一本 いっ+ぽん); digits
// and Latin letters get none. A word the dictionary does not know, or whose
// reading does not fit its written kana, gets none and is listed.
LineSuggestions suggestReadings(Analyzer& analyzer, std::u32string_view line);

}  // namespace kvelmor::readings
