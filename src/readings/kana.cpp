// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings/kana.h"

namespace kvelmor::readings {

bool isKanjiLike(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x3FFFF) || c == U'々' || c == U'〆' || c == U'ヶ';
}

bool hasKanji(std::u32string_view text) {
    for (char32_t c : text)
        if (isKanjiLike(c)) return true;
    return false;
}

char32_t toHiragana(char32_t c) { return (c >= U'ァ' && c <= U'ヶ') ? c - 0x60 : c; }

std::u32string toHiragana(std::u32string_view text) {
    std::u32string out(text);
    for (char32_t& c : out) c = toHiragana(c);
    return out;
}

std::vector<std::u32string> splitMora(std::u32string_view reading) {
    static constexpr std::u32string_view kJoining = U"ゃゅょぁぃぅぇぉゎャュョァィゥェォヮー";
    std::vector<std::u32string> mora;
    for (char32_t c : reading) {
        if (!mora.empty() && kJoining.find(c) != std::u32string_view::npos) mora.back() += c;
        else mora.emplace_back(1, c);
    }
    return mora;
}

}  // namespace kvelmor::readings
