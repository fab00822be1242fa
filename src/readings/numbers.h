// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Readings of numbers written in kanji and of the counters after them, with
// the sound changes a dictionary that reads each word alone cannot know:
// 三百 さん+びゃく, 一本 いっ+ぽん, 六回 ろっ+かい, 二人 ふたり, 三日 みっか.

#include <optional>
#include <string_view>
#include <vector>

#include "readings/word_split.h"

namespace kvelmor::readings {

// Whether the character is written in numbers: 〇 一 .. 九 十 百 千 万 億, 何
// (何本 is counted like 三本), and the digits 0..9 in either width.
bool isNumeralChar(char32_t c);
// Whether `text` can follow a number as a counter this file reads
// (本 匹 杯 分 回 個 人 日 年 ...).
bool isKnownCounter(std::u32string_view text);

// The pieces of `number` (numeral characters only) followed by `counter`
// (empty, or a counter isKnownCounter) read together, the counter's pieces
// after the number's. Digits take no ruby, but the counter after them is read
// as their value asks (3本: 本 ぼん). Nothing when the number is not one this
// file reads (a kanji run such as 十万 or 三十 is; 〇 alone or a mix of digits
// and kanji is not).
std::optional<std::vector<Piece>> readNumber(std::u32string_view number, std::u32string_view counter);

}  // namespace kvelmor::readings
