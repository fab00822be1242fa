// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/word_split.h"

#include <algorithm>

#include "readings/kana.h"

namespace kvelmor::readings {
namespace {

// A stretch of the written word: a run of kanji or a run of anything else.
struct Run {
    size_t begin;
    size_t length;
    bool kanji;
};

std::vector<Run> runsOf(std::u32string_view surface) {
    std::vector<Run> runs;
    for (size_t i = 0; i < surface.size(); ++i) {
        const bool kanji = isKanjiLike(surface[i]);
        if (runs.empty() || runs.back().kanji != kanji) runs.push_back({i, 0, kanji});
        ++runs.back().length;
    }
    return runs;
}

// Counts the ways runs[r..] match reading[at..], up to two, keeping the
// first way found in `found` (the length of each kanji run's share).
int matchRuns(const std::vector<Run>& runs, std::u32string_view written, std::u32string_view reading, size_t r,
              size_t at, std::vector<size_t>& shares, std::vector<size_t>& found) {
    if (r == runs.size()) {
        if (at != reading.size()) return 0;
        if (found.empty()) found = shares;
        return 1;
    }
    const Run& run = runs[r];
    if (!run.kanji) {
        const std::u32string_view kana = written.substr(run.begin, run.length);
        if (reading.substr(at, kana.size()) != kana) return 0;
        return matchRuns(runs, written, reading, r + 1, at + kana.size(), shares, found);
    }
    int ways = 0;
    for (size_t n = 1; at + n <= reading.size() && ways < 2; ++n) {
        shares.push_back(n);
        ways += matchRuns(runs, written, reading, r + 1, at + n, shares, found);
        shares.pop_back();
    }
    return ways;
}

// The kanji of a run grouped into units: a kanji with the 々 after it.
std::vector<std::u32string_view> unitsOf(std::u32string_view run) {
    std::vector<std::u32string_view> units;
    size_t start = 0;
    for (size_t i = 1; i <= run.size(); ++i) {
        if (i < run.size() && run[i] == U'々') continue;
        units.push_back(run.substr(start, i - start));
        start = i;
    }
    return units;
}

void addUnique(std::vector<std::u32string>& list, std::u32string value) {
    if (!value.empty() && std::find(list.begin(), list.end(), value) == list.end()) list.push_back(std::move(value));
}

// The readings unit `index` of `count` may take inside a compound.
std::vector<std::u32string> unitReadings(std::u32string_view unit, size_t index, size_t count,
                                         const KanjiReadings& readings) {
    std::vector<std::u32string> own;
    for (const std::u32string& r : readings(unit[0])) {
        if (unit.size() == 1) {
            addUnique(own, r);
            continue;
        }
        // 々 repeats the kanji's reading, often voiced: 人々 ひとびと, 時々 ときどき.
        std::u32string twice = r + r;
        addUnique(own, twice);
        if (auto v = voicedForm(r)) addUnique(own, r + *v);
    }
    std::vector<std::u32string> all = own;
    for (const std::u32string& r : own) {
        if (index > 0) {
            if (auto v = voicedForm(r)) addUnique(all, *v);
            if (auto p = voicedForm(r, true)) addUnique(all, *p);
        }
        if (index + 1 < count && r.size() >= 2) {
            const char32_t last = r.back();
            if (last == U'く' || last == U'き' || last == U'ち' || last == U'つ')
                addUnique(all, r.substr(0, r.size() - 1) + U'っ');
        }
    }
    return all;
}

}  // namespace

std::optional<std::u32string> voicedForm(std::u32string_view reading, bool semiVoiced) {
    if (reading.empty()) return std::nullopt;
    const char32_t c = reading[0];
    char32_t v = 0;
    const bool hRow = c == U'は' || c == U'ひ' || c == U'ふ' || c == U'へ' || c == U'ほ';
    if (semiVoiced) {
        if (hRow) v = c + 2;
    } else if (hRow) {
        v = c + 1;
    } else if ((c >= U'か' && c <= U'ぢ') || (c >= U'つ' && c <= U'ど')) {
        // か..ぢ and つ..ど alternate unvoiced and voiced; っ sits between them.
        const bool unvoicedSlot = (c >= U'か' && c <= U'ぢ') ? ((c - U'か') % 2 == 0) : ((c - U'つ') % 2 == 0);
        if (unvoicedSlot) v = c + 1;
    } else if (c == U'う') {
        return std::nullopt;
    }
    if (v == 0) return std::nullopt;
    std::u32string out(reading);
    out[0] = v;
    return out;
}

std::optional<std::vector<Piece>> alignOkurigana(std::u32string_view surface, std::u32string_view reading) {
    const std::vector<Run> runs = runsOf(surface);
    const std::u32string written = toHiragana(surface);
    const std::u32string kana = toHiragana(reading);
    std::vector<size_t> shares;
    std::vector<size_t> found;
    if (matchRuns(runs, written, kana, 0, 0, shares, found) != 1) return std::nullopt;
    std::vector<Piece> pieces;
    size_t at = 0;
    size_t k = 0;
    for (const Run& run : runs) {
        if (!run.kanji) {
            at += run.length;
            continue;
        }
        pieces.push_back({run.begin, run.length, kana.substr(at, found[k])});
        at += found[k++];
    }
    return pieces;
}

std::vector<Piece> splitPerKanji(std::u32string_view run, std::u32string_view reading, const KanjiReadings& readings,
                                 size_t offset) {
    const std::vector<std::u32string_view> units = unitsOf(run);
    const Piece whole{offset, run.size(), std::u32string(reading)};
    if (units.size() < 2) return {whole};
    std::vector<std::vector<std::u32string>> choices;
    for (size_t i = 0; i < units.size(); ++i) choices.push_back(unitReadings(units[i], i, units.size(), readings));

    // Every way of cutting the reading, up to two.
    std::vector<std::vector<size_t>> ways;
    std::vector<size_t> cut;
    std::function<void(size_t, size_t)> walk = [&](size_t u, size_t at) {
        if (ways.size() > 1) return;
        if (u == units.size()) {
            if (at == reading.size()) ways.push_back(cut);
            return;
        }
        for (const std::u32string& r : choices[u]) {
            if (reading.substr(at, r.size()) != r) continue;
            cut.push_back(r.size());
            walk(u + 1, at + r.size());
            cut.pop_back();
        }
    };
    walk(0, 0);
    if (ways.size() != 1) return {whole};
    std::vector<Piece> pieces;
    size_t at = 0;
    size_t begin = offset;
    for (size_t i = 0; i < units.size(); ++i) {
        pieces.push_back({begin, units[i].size(), std::u32string(reading.substr(at, ways[0][i]))});
        at += ways[0][i];
        begin += units[i].size();
    }
    return pieces;
}

}  // namespace kvelmor::readings
