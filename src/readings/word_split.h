// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How one word's reading is laid over its characters: okurigana and other
// kana of the word keep no ruby, and a run of several kanji is read kanji by
// kanji where each kanji's share of the reading is clear.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvelmor::readings {

// A reading over `length` characters of a word from character `begin`.
struct Piece {
    size_t begin = 0;
    size_t length = 0;
    std::u32string reading;  // hiragana

    bool operator==(const Piece&) const = default;
};

// The readings of the word's kanji runs, from the word's written form and its
// whole reading (hiragana): the kana of the word must stand in the reading
// as written (katakana and hiragana alike), and every kanji run takes at
// least one kana of what lies between them: 歩いて/あるいて gives 歩 = ある,
// 取り戻す/とりもどす 取 = と and 戻 = もど. Nothing when the written kana cannot
// be found in the reading, or when they can in more than one way (the share
// of each run would be a guess).
std::optional<std::vector<Piece>> alignOkurigana(std::u32string_view surface, std::u32string_view reading);

// The readings one kanji can take on its own (hiragana), as a dictionary lists them.
using KanjiReadings = std::function<const std::vector<std::u32string>&(char32_t kanji)>;

// A run of kanji with its reading, cut kanji by kanji when exactly one way of
// cutting the reading gives every kanji one of its own readings, allowing
// the sound changes of compounds: a first kana voiced after the first kanji
// (空 そら in 青空 あおぞら; ひ → び or ぴ), and a last く, き, ち or つ turned into
// っ before the last kanji (学 がく in 学校 がっこう). 々 is read with the kanji
// before it (人々 ひと+びと), as one unit. A run that cannot be cut, or can
// be cut in several ways, keeps one reading over all of it (今日 きょう,
// 大人 おとな). The pieces start at `offset`.
std::vector<Piece> splitPerKanji(std::u32string_view run, std::u32string_view reading, const KanjiReadings& readings,
                                 size_t offset = 0);

// The first kana voiced (か→が, は→ば), or, with `semiVoiced`, half-voiced
// (は→ぱ); nothing when it has no such form.
std::optional<std::u32string> voicedForm(std::u32string_view reading, bool semiVoiced = false);

}  // namespace kvelmor::readings
