// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hyphenation of Latin words with libhyphen's pattern files (Debian's
// hyphen-en-us installs /usr/share/hyphen/hyph_en_US.dic).

#include <memory>
#include <string>
#include <vector>

namespace kvelmor::timing {

class Hyphenator {
public:
    // Loads a pattern file; ok() tells whether it could be read.
    explicit Hyphenator(const std::string& dictionaryPath);
    ~Hyphenator();
    Hyphenator(const Hyphenator&) = delete;
    Hyphenator& operator=(const Hyphenator&) = delete;

    bool ok() const { return m_dict != nullptr; }
    // The parts of an ASCII word ("singing" -> "sing", "ing"); the word
    // itself when it has no hyphenation point or is not plain ASCII.
    std::vector<std::u32string> parts(const std::u32string& word) const;

    // The US English patterns where Debian puts them, or "" when not installed.
    static std::string defaultDictionary();

private:
    void* m_dict = nullptr;  // HyphenDict
};

// The sung syllables of an English word or hyphenation part, by its spelling:
// one per vowel group ("hello" -> "hel", "lo"; "baby" -> "ba", "by"), a
// silent e (love, danced, lonely) sounding none. Printed hyphenation leaves
// most short words whole and never splits off one letter, yet each of
// "a-way" is a beat. Between two vowel groups one consonant starts the next
// syllable, the first of several ends the one before (a pair sounding as one,
// th sh ch ph wh, stays together; ck and ng stay before), and a consonant
// before a final "le" goes with it. Vowels side by side that are sung apart
// are split (ra-di-o, qui-et, po-em, go-ing), consonants that begin a
// syllable together start the next one (a-fraid, hun-dred), a w or y glides
// into the vowel before it (pow-er, play-er), and "-ly" after a stem is a
// beat of its own (deep-ly). `hyphenPoints` (offsets into the word, from a
// dictionary's hyphenation) decide where a cut falls between two vowel
// groups and split vowels it separates. A word holding anything but ASCII
// letters and apostrophes is split at the hyphenation points only.
std::vector<std::u32string> splitWhereSung(const std::u32string& word, const std::vector<size_t>& hyphenPoints = {});

// The hyphenation points of a word as `Hyphenator::parts` gives them: the
// offsets where each part after the first begins.
std::vector<size_t> hyphenPointsOf(const std::vector<std::u32string>& parts);

}  // namespace kvelmor::timing
