// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Japanese character conversions the line break classifies characters
// with: hiragana to katakana, full width to half width and back, and a
// character's code in CP932 (the Shift-JIS form most Japanese lyrics files
// are saved in). They map each character exactly as the common Japanese
// text conversions do, so that a line breaks at the same place whichever
// program prepared its lyrics.
//
// Covered by the tables: hiragana U+3041..U+3096 and the iteration marks
// ゝゞ; katakana with and without voiced marks (ガ <-> ｶﾞ, パ <-> ﾊﾟ, ヴ <-> ｳﾞ);
// the long-vowel mark ー; the voiced sound marks ゛゜; full-width ASCII
// U+FF01..U+FF5E (letters, digits, punctuation); the Japanese punctuation and
// brackets that have a half-width form (。「」、・); the ideographic space
// U+3000. Everything else (kanji, ヮヰヱヵヶ, other brackets such as 『』【】,
// symbols) has no half-width form and is left as it is.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvelmor::lyrics {

// Hiragana (and ゝゞ) to the katakana of the same sound; any other character
// is returned unchanged. ゔ gives ヴ.
char32_t hiraganaToKatakana(char32_t c);
std::u32string hiraganaToKatakana(std::u32string_view text);

// The half-width form of each character: full-width ASCII to ASCII, U+3000 to
// " ", katakana and the kana punctuation to half-width katakana, a voiced
// katakana to two characters (ガ -> ｶﾞ). Characters without a half-width
// form, hiragana among them, stay as they are.
std::u32string toHalfWidth(std::u32string_view text);

// The full-width form of each character: ASCII " ".."~" to U+3000 and
// U+FF01..U+FF5E, half-width katakana to katakana; a half-width kana followed
// by ﾞ or ﾟ becomes one voiced katakana when one exists (ｶﾞ -> ガ, ｳﾞ -> ヴ).
// Other characters stay as they are.
std::u32string toFullWidth(std::u32string_view text);

// The character's code in CP932: 0..0xFF for a single-byte character (ASCII,
// half-width katakana 0xA1..0xDF), the two bytes as lead * 256 + trail for a
// double-byte one (あ -> 0x82A0, 漢 -> 0x8ABF), nothing when CP932 has no
// form for it.
std::optional<uint16_t> cp932Code(char32_t c);

}  // namespace kvelmor::lyrics
