// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/suggest.h"

#include <algorithm>

#include "common/encoding.h"
#include "readings/kana.h"
#include "readings/numbers.h"
#include "readings/word_split.h"

namespace kvelmor::readings {
namespace {

bool allNumeral(std::u32string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isNumeralChar);
}

// A word of a number: a numeral the dictionary calls a number (名詞,数), or digits it does not know.
bool isNumberWord(const Morpheme& m) {
    return allNumeral(m.surface) && (m.partOfSpeech == "名詞,数" || !m.known);
}

void addPieces(LineSuggestions& out, const std::vector<Piece>& pieces, size_t at) {
    for (const Piece& p : pieces) {
        if (p.reading.empty()) continue;
        out.readings.push_back({at + p.begin, p.length, toUtf8(p.reading)});
    }
}

void addUnread(LineSuggestions& out, std::u32string_view word) {
    std::string text = toUtf8(word);
    if (std::find(out.unread.begin(), out.unread.end(), text) == out.unread.end()) out.unread.push_back(text);
}

// The kanji runs of one dictionary word.
void readWord(Analyzer& analyzer, const Morpheme& m, LineSuggestions& out) {
    if (!hasKanji(m.surface)) return;
    if (!m.known || m.reading.empty()) {
        addUnread(out, m.surface);
        return;
    }
    const std::optional<std::vector<Piece>> runs = alignOkurigana(m.surface, m.reading);
    if (!runs) {
        addUnread(out, m.surface);
        return;
    }
    const KanjiReadings readings = [&analyzer](char32_t k) -> const std::vector<std::u32string>& {
        return analyzer.kanjiReadings(k);
    };
    for (const Piece& run : *runs)
        addPieces(out, splitPerKanji(m.surface.substr(run.begin, run.length), run.reading, readings, run.begin),
                  m.begin);
}

}  // namespace

LineSuggestions suggestReadings(Analyzer& analyzer, std::u32string_view line) {
    LineSuggestions out;
    if (!hasKanji(line)) return out;
    const std::vector<Morpheme> words = analyzer.analyse(line);
    for (size_t i = 0; i < words.size();) {
        // A number written over one or more words, and the counter right after it.
        if (isNumberWord(words[i])) {
            std::u32string number = words[i].surface;
            size_t j = i + 1;
            while (j < words.size() && isNumberWord(words[j]) &&
                   words[j].begin == words[i].begin + number.size()) {
                number += words[j].surface;
                ++j;
            }
            std::u32string counter;
            if (j < words.size() && words[j].begin == words[i].begin + number.size() &&
                isKnownCounter(words[j].surface) &&
                (words[j].subclass == "助数詞" || words[j].surface.size() > 1))
                counter = words[j].surface;
            if (auto pieces = readNumber(number, counter)) {
                addPieces(out, *pieces, words[i].begin);
                i = j + (counter.empty() ? 0 : 1);
                continue;
            }
            if (auto pieces = readNumber(number, U"")) {  // a counter read as the dictionary reads it
                addPieces(out, *pieces, words[i].begin);
                i = j;
                continue;
            }
        }
        readWord(analyzer, words[i], out);
        ++i;
    }
    return out;
}

}  // namespace kvelmor::readings
