// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Kana and kanji classes and the conversions the readings need.

#include <string>
#include <string_view>
#include <vector>

namespace kvelmor::readings {

// A character that takes ruby: a CJK ideograph (unified, extension A and B
// and later, compatibility), the iteration mark 々, the closing mark 〆 and
// the small ヶ of 三ヶ月 (read か or が).
bool isKanjiLike(char32_t c);
// Whether the text holds a character isKanjiLike.
bool hasKanji(std::u32string_view text);
// Katakana ァ..ヶ as hiragana ぁ..ゖ; everything else unchanged.
char32_t toHiragana(char32_t c);
std::u32string toHiragana(std::u32string_view text);
// The reading cut into mora, the units a syllable of singing takes: each
// kana one mora, the small ゃゅょぁぃぅぇぉゎ and the long mark ー joined to
// the kana before; っ and ん are mora of their own.
std::vector<std::u32string> splitMora(std::u32string_view reading);

}  // namespace kvelmor::readings
