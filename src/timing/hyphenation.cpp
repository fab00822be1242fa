// SPDX-License-Identifier: GPL-3.0-or-later
#include "timing/hyphenation.h"

#include <hyphen.h>

#include <filesystem>
#include <iterator>
#include <optional>
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

// Words whose spelling misleads the rules: compounds with a silent e or an
// unsung vowel inside (some-bo-dy, eve-ning, ev-ery), sung as here.
struct SungException {
    const char* word;
    const char* cuts;  // the word with "|" where it is cut
};
constexpr SungException kSungExceptions[] = {
    {"every", "ev|ery"},           {"everything", "ev|ery|thing"}, {"everybody", "ev|ery|bo|dy"},
    {"everyone", "ev|ery|one"},    {"everywhere", "ev|ery|where"}, {"evening", "eve|ning"},
    {"somebody", "some|bo|dy"},    {"someone", "some|one"},        {"something", "some|thing"},
    {"sometimes", "some|times"},   {"somewhere", "some|where"},    {"someday", "some|day"},
    {"maybe", "may|be"},           {"goodbye", "good|bye"},        {"forever", "for|ev|er"},
    {"whatever", "what|ev|er"},    {"whenever", "when|ev|er"},     {"wherever", "wher|ev|er"},
    {"however", "how|ev|er"},      {"homecoming", "home|com|ing"}, {"lifetime", "life|time"},
};

bool startsWith(const std::string& s, size_t at, const char* text) {
    const size_t n = std::char_traits<char>::length(text);
    return at + n <= s.size() && s.compare(at, n, text) == 0;
}

bool oneOf(char c, const char* letters) { return std::char_traits<char>::find(letters, std::char_traits<char>::length(letters), c) != nullptr; }

// Whether two vowel letters side by side, w[k] and w[k + 1], are sung as two
// syllables (ra-di-o, qui-et, po-em, go-ing) rather than one sound (rain,
// field, boat). Spelling alone cannot always tell; these are the cases song
// words show most, with the usual exceptions: "ti", "ci", "si", "xi" before a
// vowel sound "sh" (na-tion, spe-cial), and u after g is a w (lan-guage).
bool vowelsSungApart(const std::string& w, size_t k) {
    const size_t n = w.size();
    const char a = w[k], b = w[k + 1];
    const char before = k > 0 ? w[k - 1] : '\0';
    const char after = k + 2 < n ? w[k + 2] : '\0';
    const bool atEnd = k + 2 == n;
    // A vowel before a final "-ing": go-ing, be-ing, see-ing.
    if (b == 'i' && (endsWith(w, "ing") || endsWith(w, "ings")) && startsWith(w, k + 1, "ing") &&
        (k + 4 == n || k + 5 == n))
        return true;
    const bool gInside = before == 'g' && k > 1;  // re-gion, dun-geon; but gi-ant, ge-o-
    switch (a) {
    case 'i':
        if (b == 'e') {
            if (after == 't') return true;  // qui-et, di-et, so-ci-e-ty
            const bool shSound = (before == 'c' && !(k > 1 && w[k - 2] == 's')) || before == 't';
            return (startsWith(w, k + 2, "nc") || startsWith(w, k + 2, "nt")) && !shSound;  // cli-ent, au-di-ence
        }
        if (b != 'a' && b != 'o' && b != 'u') return false;
        if (oneOf(before, "ctsx") || gInside || before == 'n' || (before == 'l' && k > 1 && w[k - 2] == 'l'))
            return false;  // na-tion, re-gion, on-ion, mil-lion
        return true;       // ra-di-o, li-on, pi-an-o, stu-di-um
    case 'e':
        if (b == 'o') return !gInside && after != 'p' && !startsWith(w, k + 2, "us") && !startsWith(w, k + 2, "rg");
        if (b == 'a') return atEnd && k > 0 && [&] {  // i-de-a, a-re-a; but sea, tea
            for (size_t i = 0; i + 1 < k; ++i)
                if (isPlainVowel(w[i])) return true;
            return false;
        }();
        return false;
    case 'o':
        return b == 'e' && oneOf(after, "mtl");  // po-em, po-et, no-el; but toe, goes
    case 'u':
        if (before == 'g' || before == 'q') return false;
        if (b == 'a' || b == 'o') return true;  // u-su-al, du-o
        if (b == 'e') return oneOf(after, "lt") || startsWith(w, k + 2, "nt") || startsWith(w, k + 2, "nc");  // cru-el, flu-ent
        if (b == 'i') return oneOf(after, "nd");  // ru-in, flu-id; but fruit, suit
        return false;
    case 'a':
        return b == 'o';  // cha-os
    }
    return false;
}

// Two consonants that begin a syllable together after a vowel: a-fraid,
// se-cret, a-pril, de-clare. "bl" and "sl" are left out (prob-lem, pub-lic).
bool startsASyllable(const std::string& w, size_t i) {
    if (i + 1 >= w.size()) return false;
    const char a = w[i], b = w[i + 1];
    return (b == 'r' && oneOf(a, "pbtdcgf")) || (b == 'l' && oneOf(a, "pcfg"));
}

}  // namespace

std::vector<std::u32string> splitWhereSung(const std::u32string& word, const std::vector<size_t>& hyphenPoints) {
    // Lower-case letters, an apostrophe as '\'' (it sounds as nothing).
    std::string w;
    for (char32_t c : word) {
        if (c >= 'a' && c <= 'z') w += static_cast<char>(c);
        else if (c >= 'A' && c <= 'Z') w += static_cast<char>(c - 'A' + 'a');
        else if (c == U'\'' || c == U'’') w += '\'';
        else {
            // Not a word the rules know: split where the dictionary says only.
            std::vector<std::u32string> parts;
            size_t from = 0;
            for (size_t p : hyphenPoints)
                if (p > from && p < word.size()) {
                    parts.push_back(word.substr(from, p - from));
                    from = p;
                }
            parts.push_back(word.substr(from));
            return parts;
        }
    }
    const auto hyphenBetween = [&](size_t from, size_t to) -> std::optional<size_t> {
        for (size_t p : hyphenPoints)
            if (p >= from && p <= to) return p;
        return std::nullopt;
    };
    const size_t n = w.size();
    for (const SungException& e : kSungExceptions) {
        if (w != e.word) continue;
        // The word's own letters (their case kept), cut where the entry says.
        std::vector<std::u32string> out(1);
        size_t letter = 0;
        for (const char* c = e.cuts; *c; ++c) {
            if (*c == '|') out.emplace_back();
            else out.back() += word[letter++];
        }
        return out;
    }
    // Which letters sound as vowels: y is one unless it starts the word or a
    // vowel follows it (yellow, beyond), but after a consonant before a final
    // "-ing" it is (try-ing, fly-ing); u after q is not (quite).
    std::vector<bool> vowel(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (w[i] == 'y')
            vowel[i] = i > 0 && (!(i + 1 < n && isPlainVowel(w[i + 1])) ||
                                 (!isPlainVowel(w[i - 1]) && startsWith(w, i + 1, "ing") && i + 4 >= n - 1));
        else vowel[i] = isPlainVowel(w[i]) && !(w[i] == 'u' && i > 0 && w[i - 1] == 'q');
    }
    struct Group { size_t begin, end; };
    std::vector<Group> groups;
    for (size_t i = 0; i < n;) {
        if (!vowel[i]) { ++i; continue; }
        size_t j = i;
        while (j < n && vowel[j]) ++j;
        // Vowels side by side that are sung apart make groups of their own,
        // and so do those the dictionary hyphenates between (cre-ate).
        size_t from = i;
        for (size_t k = i; k + 1 < j; ++k)
            if (vowelsSungApart(w, k) || hyphenBetween(k + 1, k + 1)) {
                groups.push_back({from, k + 1});
                from = k + 1;
            }
        groups.push_back({from, j});
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
                // loved, danced; but want-ed, and a consonant and r before it (hun-dred, sa-cred)
                silent = w[b - 1] != 't' && w[b - 1] != 'd' && !(w[b - 1] == 'r' && b >= 2 && consonantAt(b - 2));
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
    // A consonant and "-ly" after a stem are their own beat (deep-ly,
    // soft-ly), unless the consonants before make "ly" the end of a cluster
    // (sim-ply, but-ter-fly) or the word is a prefix and a stem (re-ply).
    size_t lyCut = 0;
    const bool prefix = (startsWith(w, 0, "re") || startsWith(w, 0, "de") || startsWith(w, 0, "be")) && consonantAt(2);
    if (endsWith(w, "ly") && n >= 4 && consonantAt(n - 3) && !prefix) {
        const bool cluster = consonantAt(n - 4) && startsASyllable(w, n - 3);
        if (!cluster) lyCut = n - 2;
    }
    std::vector<std::u32string> out;
    size_t from = 0;
    for (size_t g = 0; g + 1 < groups.size(); ++g) {
        const size_t a = groups[g].end, b = groups[g + 1].begin;  // the consonants between
        size_t cut;
        const bool finalLe = g + 2 == groups.size() && b + 1 == n && w[b] == 'e' && w[b - 1] == 'l' && b - a >= 2;
        if (a < stemEnd && stemEnd <= b) cut = stemEnd;
        else if (a < lyCut && lyCut <= b) cut = lyCut;
        else if (finalLe) cut = b - 2;  // lit-tle, ta-ble, sim-ple
        else if (const auto p = hyphenBetween(a, b)) cut = *p;  // where the dictionary puts it
        // w or y between vowels glides into the vowel before it when e or i
        // follows (pow-er, play-er, say-ing) or after a and o (may-or, roy-al);
        // else it starts the next syllable (a-way, be-yond, to-ward).
        else if (b - a == 1 && ((w[a] == 'w' && oneOf(w[b], "ei")) ||
                                (w[a] == 'y' && (oneOf(w[b], "ei") || oneOf(w[a - 1], "ao")))))
            cut = b;
        else if (b - a == 1) cut = w[a] == 'x' ? b : a;  // o-ver, ba-by; ex-it
        else if (b - a == 2 && startsASyllable(w, a)) cut = a;  // a-fraid, se-cret
        // Three or more: a cluster that starts a syllable starts the next one
        // (hun-dred, an-gry, in-stru-ment), but ng stays before l (Eng-lish).
        else if (b - a >= 4 && w[b - 3] == 's' && startsWith(w, b - 2, "tr")) cut = b - 3;
        else if (b - a >= 3 && startsASyllable(w, b - 2) && !(w[b - 2] == 'g' && w[b - 3] == 'n')) cut = b - 2;
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

std::vector<size_t> hyphenPointsOf(const std::vector<std::u32string>& parts) {
    std::vector<size_t> points;
    size_t at = 0;
    for (size_t i = 0; i + 1 < parts.size(); ++i) points.push_back(at += parts[i].size());
    return points;
}

}  // namespace kvelmor::timing
