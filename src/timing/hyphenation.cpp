// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/hyphenation.h"

#include <hyphen.h>

#include <filesystem>
#include <iterator>
#include <string>

namespace kvelmor::timing {

Hyphenator::Hyphenator(const std::string& dictionaryPath) {
    if (!dictionaryPath.empty()) m_dict = hnj_hyphen_load(dictionaryPath.c_str());
}

Hyphenator::~Hyphenator() {
    if (m_dict) hnj_hyphen_free(static_cast<HyphenDict*>(m_dict));
}

std::vector<std::u32string> Hyphenator::parts(const std::u32string& word) const {
    std::string ascii;
    for (char32_t c : word) {
        if (c >= 0x80 || c == 0) return {word};
        ascii += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);  // the patterns are lower case
    }
    if (!m_dict || ascii.size() < 4) return {word};
    std::vector<char> hyphens(ascii.size() + 5, '0');
    char** rep = nullptr;
    int* pos = nullptr;
    int* cut = nullptr;
    if (hnj_hyphen_hyphenate2(static_cast<HyphenDict*>(m_dict), ascii.c_str(), static_cast<int>(ascii.size()),
                              hyphens.data(), nullptr, &rep, &pos, &cut) != 0)
        return {word};
    // Non-standard hyphenation (replacements) does not occur in English patterns; it is ignored.
    if (rep) {
        for (size_t i = 0; i < ascii.size(); ++i) free(rep[i]);
        free(rep);
        free(pos);
        free(cut);
    }
    std::vector<std::u32string> out;
    size_t from = 0;
    // An odd digit after character i allows a break after it; one letter alone
    // at either end is no syllable of its own.
    for (size_t i = 0; i + 1 < ascii.size(); ++i) {
        if ((hyphens[i] - '0') % 2 == 1 && i + 1 - from >= 1 && i >= 1 && ascii.size() - (i + 1) >= 2) {
            out.push_back(word.substr(from, i + 1 - from));
            from = i + 1;
        }
    }
    out.push_back(word.substr(from));
    return out;
}

std::string Hyphenator::defaultDictionary() {
    for (const char* p : {"/usr/share/hyphen/hyph_en_US.dic", "/usr/share/hyphen/hyph_en.dic"})
        if (std::filesystem::exists(p)) return p;
    return {};
}

}  // namespace kvelmor::timing

namespace kvelmor::timing {
namespace {

bool isPlainVowel(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u'; }

bool endsWith(const std::string& s, const char* suffix) {
    const size_t n = std::char_traits<char>::length(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

std::vector<std::u32string> splitWhereSung(const std::u32string& word) {
    // Lower-case letters, an apostrophe as '\'' (it sounds as nothing).
    std::string w;
    for (char32_t c : word) {
        if (c >= 'a' && c <= 'z') w += static_cast<char>(c);
        else if (c >= 'A' && c <= 'Z') w += static_cast<char>(c - 'A' + 'a');
        else if (c == U'\'' || c == U'’') w += '\'';
        else return {word};
    }
    const size_t n = w.size();
    // Which letters sound as vowels: y is one unless it starts the word or a
    // vowel follows it (yellow, beyond); u after q is not (quite).
    std::vector<bool> vowel(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (w[i] == 'y') vowel[i] = i > 0 && !(i + 1 < n && isPlainVowel(w[i + 1]));
        else vowel[i] = isPlainVowel(w[i]) && !(w[i] == 'u' && i > 0 && w[i - 1] == 'q');
    }
    struct Group { size_t begin, end; };
    std::vector<Group> groups;
    for (size_t i = 0; i < n;) {
        if (!vowel[i]) { ++i; continue; }
        size_t j = i;
        while (j < n && vowel[j]) ++j;
        groups.push_back({i, j});
        i = j;
    }
    const auto loneE = [&](const Group& g) { return g.end == g.begin + 1 && w[g.begin] == 'e'; };
    const auto consonantAt = [&](size_t i) { return i < n && !vowel[i] && w[i] != '\''; };
    // A silent e sounds no syllable of its own.
    if (groups.size() >= 2) {
        const Group last = groups.back();
        const size_t b = last.begin;
        bool silent = false;
        if (loneE(last) && b > 0 && consonantAt(b - 1)) {
            if (last.end == n) {
                // love, alone; but a consonant and "le" are a syllable (ta-ble).
                silent = !(w[b - 1] == 'l' && b >= 2 && consonantAt(b - 2));
            } else if (last.end + 1 == n && w[n - 1] == 'd') {
                silent = w[b - 1] != 't' && w[b - 1] != 'd';  // loved, danced; but want-ed
            } else if (last.end + 1 == n && w[n - 1] == 's') {
                const char c = w[b - 1];
                silent = !(c == 's' || c == 'x' || c == 'z' || c == 'c' || c == 'g' ||
                           (c == 'h' && b >= 2 && (w[b - 2] == 's' || w[b - 2] == 'c')));  // hopes; but wish-es
            }
        }
        if (silent) groups.pop_back();
    }
    // So does one closing a stem before a suffix (lone-ly, move-ment), where
    // the word is then split.
    size_t stemEnd = 0;
    for (const char* suffix : {"ly", "ful", "less", "ness", "ment"}) {
        if (!endsWith(w, suffix)) continue;
        const size_t stem = n - std::char_traits<char>::length(suffix);
        for (size_t g = 1; g + 1 < groups.size(); ++g)
            if (loneE(groups[g]) && groups[g].end == stem && consonantAt(stem - 2)) {
                groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(g));
                stemEnd = stem;
                break;
            }
        break;
    }
    if (groups.size() < 2) return {word};

    static const char* const soundsAsOne[] = {"th", "sh", "ch", "ph", "wh"};
    static const char* const staysBefore[] = {"ck", "ng", "gh"};
    const auto pairIn = [&](size_t i, const char* const* list, size_t count) {
        for (size_t k = 0; k < count; ++k)
            if (i + 1 < n && w[i] == list[k][0] && w[i + 1] == list[k][1]) return true;
        return false;
    };
    std::vector<std::u32string> out;
    size_t from = 0;
    for (size_t g = 0; g + 1 < groups.size(); ++g) {
        const size_t a = groups[g].end, b = groups[g + 1].begin;  // the consonants between
        size_t cut;
        const bool finalLe = g + 2 == groups.size() && b + 1 == n && w[b] == 'e' && w[b - 1] == 'l' && b - a >= 2;
        if (a < stemEnd && stemEnd <= b) cut = stemEnd;
        else if (finalLe) cut = b - 2;  // lit-tle, ta-ble, sim-ple
        else if (b - a == 1) cut = w[a] == 'x' ? b : a;  // o-ver, ba-by; ex-it
        else if (pairIn(a, staysBefore, std::size(staysBefore))) cut = a + 2;  // rock-et, sing-er
        else if (b - a == 2 && pairIn(a, soundsAsOne, std::size(soundsAsOne))) cut = a;  // mo-ther
        else cut = pairIn(a, soundsAsOne, std::size(soundsAsOne)) ? a + 2 : a + 1;  // hap-py, hel-lo
        if (cut > b) cut = b;
        // An apostrophe stays with the letters before it.
        while (cut < b && w[cut] == '\'') ++cut;
        out.push_back(word.substr(from, cut - from));
        from = cut;
    }
    out.push_back(word.substr(from));
    return out;
}

}  // namespace kvelmor::timing
