// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The morphological analyser behind the readings: MeCab with the IPA
// dictionary in UTF-8. MeCab and its 50 MB dictionary are loaded on the first
// use only (dlopen of libmecab.so.2), so nothing else of the program links
// or waits for them: a conversion never touches them.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvelmor::readings {

// What to install when MeCab or its dictionary is missing.
inline constexpr const char* kMecabPackages = "libmecab2 and mecab-ipadic-utf8";

// One word of a line as the dictionary read it.
struct Morpheme {
    size_t begin = 0;          // characters: where the word starts in the line
    std::u32string surface;    // the word as written
    std::u32string reading;    // hiragana; empty when the dictionary gives none
    bool known = false;        // in the dictionary (not guessed from the characters)
    std::string partOfSpeech;  // the dictionary's first two fields, "名詞,数"
    std::string subclass;      // its third field, "助数詞"
};

class Analyzer {
public:
    // MeCab with the IPA dictionary in UTF-8, looked for in this order:
    // $KVELMOR_MECAB_DICDIR alone when it is set; else Debian's places
    // (/var/lib/mecab/dic/ipadic-utf8, /usr/share/mecab/dic/ipadic-utf8) and
    // then the dictionary MeCab's own configuration (mecabrc) names, if it
    // is a UTF-8 one. Nothing, with `failure` saying what is missing and which
    // package to install, when there is neither.
    static std::unique_ptr<Analyzer> open(std::string& failure);
    ~Analyzer();
    Analyzer(const Analyzer&) = delete;
    Analyzer& operator=(const Analyzer&) = delete;

    // The words of one line in order (spaces between words are skipped).
    std::vector<Morpheme> analyse(std::u32string_view line);
    // Every reading (hiragana) the dictionary lists for the one kanji as a
    // word of its own, remembered for the rest of the run.
    const std::vector<std::u32string>& kanjiReadings(char32_t kanji);
    // The dictionary folder in use.
    const std::string& dictionary() const { return m_dictionary; }

private:
    struct Handles;
    explicit Analyzer(std::unique_ptr<Handles> handles, std::string dictionary);
    std::unique_ptr<Handles> m_handles;
    std::string m_dictionary;
    std::unordered_map<char32_t, std::vector<std::u32string>> m_kanjiReadings;
};

}  // namespace kvelmor::readings
