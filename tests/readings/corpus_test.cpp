// SPDX-License-Identifier: GPL-3.0-or-later
// The readings corpus scored: every kanji word of tests/readings/corpus.txt
// read in its line and compared with the reading a careful reader gives.

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "common/encoding.h"
#include "readings/analyzer.h"
#include "readings/kana.h"
#include "readings/song_readings.h"

namespace kvelmor::readings {
namespace {

struct Word {
    size_t first = 0;
    size_t count = 0;
    std::string reading;
    bool special = false;  // a name or a poetic reading
};

struct Score {
    int ordinary = 0, ordinaryRight = 0, special = 0, specialRight = 0;
    int overKana = 0;        // suggestions that cover a character other than a kanji
    int acrossWords = 0;     // suggestions that reach out of their word
    std::vector<std::string> wrong;
};

// The words of an annotated line: neighbouring readings make one word
// (学(がっ)校(こう) is 学校); "*" before a base marks the word special.
std::vector<Word> wordsOf(std::u32string line, std::u32string& plain) {
    std::vector<size_t> marks;  // characters of the line (without the marks) that follow a "*"
    std::u32string unmarked;
    for (char32_t c : line) {
        if (c == U'*') marks.push_back(unmarked.size());
        else unmarked += c;
    }
    const AnnotatedLine a = parseUntimedNotation(unmarked);
    plain = a.plain;
    // Where each mark lands in the plain text: the notation before it is gone.
    std::vector<size_t> specialStarts;
    for (size_t m : marks) {
        const AnnotatedLine before = parseUntimedNotation(unmarked.substr(0, m));
        specialStarts.push_back(before.plain.size());
    }
    std::vector<Word> words;
    for (const Suggestion& r : a.rubies) {
        if (!words.empty() && words.back().first + words.back().count == r.first) {
            words.back().count += r.count;
            words.back().reading += r.reading;
        } else {
            words.push_back({r.first, r.count, r.reading, false});
        }
    }
    for (Word& w : words)
        for (size_t s : specialStarts) w.special = w.special || s == w.first;
    return words;
}

Score scoreCorpus(Analyzer& analyzer, std::istream& in) {
    Score score;
    std::string text;
    while (std::getline(in, text)) {
        if (text.empty() || text[0] == '#') continue;
        std::u32string plain;
        const std::vector<Word> words = wordsOf(toU32(text), plain);
        const LineSuggestions got = suggestReadings(analyzer, plain);
        for (const Suggestion& s : got.readings) {
            for (size_t i = s.first; i < s.first + s.count; ++i) score.overKana += isKanjiLike(plain[i]) ? 0 : 1;
            bool inside = false;
            for (const Word& w : words) inside = inside || (s.first >= w.first && s.first + s.count <= w.first + w.count);
            score.acrossWords += inside ? 0 : 1;
        }
        for (const Word& w : words) {
            std::string reading;
            size_t covered = 0;
            for (const Suggestion& s : got.readings)
                if (s.first >= w.first && s.first + s.count <= w.first + w.count) {
                    reading += s.reading;
                    covered += s.count;
                }
            const bool right = covered == w.count && reading == w.reading;
            (w.special ? score.special : score.ordinary) += 1;
            (w.special ? score.specialRight : score.ordinaryRight) += right ? 1 : 0;
            if (!right)
                score.wrong.push_back(std::string(w.special ? "special " : "") +
                                      toUtf8(plain.substr(w.first, w.count)) + " " + w.reading + " -> " +
                                      (reading.empty() ? "(none)" : reading));
        }
    }
    return score;
}

TEST(ReadingsCorpus, OrdinaryWordsAreReadRightAndNoReadingCoversOkurigana) {
    std::string failure;
    std::unique_ptr<Analyzer> analyzer = Analyzer::open(failure);
    if (!analyzer) GTEST_SKIP() << failure;
    std::ifstream in(KVELMOR_READINGS_CORPUS);
    ASSERT_TRUE(in) << KVELMOR_READINGS_CORPUS;
    const Score s = scoreCorpus(*analyzer, in);
    std::cout << "ordinary words: " << s.ordinaryRight << "/" << s.ordinary << " right ("
              << (100.0 * s.ordinaryRight / std::max(1, s.ordinary)) << " %)\n"
              << "names and poetic readings: " << s.specialRight << "/" << s.special << " right\n";
    for (const std::string& w : s.wrong) std::cout << "  " << w << "\n";
    EXPECT_GE(s.ordinary, 300);
    EXPECT_GE(s.ordinaryRight * 100, s.ordinary * 95);
    EXPECT_EQ(s.overKana, 0);
    EXPECT_EQ(s.acrossWords, 0);
}

}  // namespace
}  // namespace kvelmor::readings
