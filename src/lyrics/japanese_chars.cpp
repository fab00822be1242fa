// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/japanese_chars.h"

#include <array>

#include "common/encoding.h"

namespace kvelmor::lyrics {
namespace {

constexpr char32_t kHalfFirst = 0xFF61;  // ｡
constexpr char32_t kHalfLast = 0xFF9F;   // ﾟ
constexpr char32_t kVoicedMark = 0xFF9E;      // ﾞ
constexpr char32_t kSemiVoicedMark = 0xFF9F;  // ﾟ

// The full-width character of each half-width katakana U+FF61..U+FF9F, in order.
constexpr std::u32string_view kFullOfHalf =
    U"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
    U"ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(kFullOfHalf.size() == kHalfLast - kHalfFirst + 1);

// Katakana whose voiced form is the next code point (カ -> ガ ...), and those
// whose semi-voiced form is the one after that (ハ -> パ ...).
constexpr std::u32string_view kVoiceable = U"カキクケコサシスセソタチツテトハヒフヘホ";
constexpr std::u32string_view kSemiVoiceable = U"ハヒフヘホ";
constexpr char32_t kU = U'ウ';
constexpr char32_t kVu = U'ヴ';

// The half-width character of a plain (unvoiced) full-width kana character, or 0.
char32_t halfOfPlain(char32_t c) {
    size_t i = kFullOfHalf.find(c);
    return i == std::u32string_view::npos ? 0 : static_cast<char32_t>(kHalfFirst + i);
}

}  // namespace

char32_t hiraganaToKatakana(char32_t c) {
    if (c >= 0x3041 && c <= 0x3096) return c + 0x60;  // ぁ..ゖ -> ァ..ヶ
    if (c == 0x309D || c == 0x309E) return c + 0x60;  // ゝゞ -> ヽヾ
    return c;
}

std::u32string hiraganaToKatakana(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (char32_t c : text) out += hiraganaToKatakana(c);
    return out;
}

std::u32string toHalfWidth(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c == 0x3000) {
            out += U' ';
        } else if (c >= 0xFF01 && c <= 0xFF5E) {
            out += static_cast<char32_t>(c - 0xFF01 + 0x21);
        } else if (char32_t h = halfOfPlain(c)) {
            out += h;
        } else if (c == kVu) {
            out += halfOfPlain(kU);
            out += kVoicedMark;
        } else if (kVoiceable.find(c - 1) != std::u32string_view::npos) {
            out += halfOfPlain(c - 1);
            out += kVoicedMark;
        } else if (kSemiVoiceable.find(c - 2) != std::u32string_view::npos) {
            out += halfOfPlain(c - 2);
            out += kSemiVoicedMark;
        } else {
            out += c;
        }
    }
    return out;
}

std::u32string toFullWidth(std::u32string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c == U' ') {
            out += 0x3000;
        } else if (c >= 0x21 && c <= 0x7E) {
            out += static_cast<char32_t>(c - 0x21 + 0xFF01);
        } else if (c >= kHalfFirst && c <= kHalfLast) {
            char32_t full = kFullOfHalf[c - kHalfFirst];
            char32_t mark = i + 1 < text.size() ? text[i + 1] : 0;
            if (mark == kVoicedMark && full == kU) {
                full = kVu;
                ++i;
            } else if (mark == kVoicedMark && kVoiceable.find(full) != std::u32string_view::npos) {
                full += 1;
                ++i;
            } else if (mark == kSemiVoicedMark && kSemiVoiceable.find(full) != std::u32string_view::npos) {
                full += 2;
                ++i;
            }
            out += full;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<uint16_t> cp932Code(char32_t c) {
    if (c < 0x80) return static_cast<uint16_t>(c);
    if (c >= kHalfFirst && c <= kHalfLast) return static_cast<uint16_t>(c - kHalfFirst + 0xA1);
    auto bytes = encodeCp932(toUtf8(c));
    if (!bytes || bytes->empty() || bytes->size() > 2) return std::nullopt;
    auto b0 = static_cast<unsigned char>((*bytes)[0]);
    if (bytes->size() == 1) return b0;
    return static_cast<uint16_t>(b0 * 256 + static_cast<unsigned char>((*bytes)[1]));
}

}  // namespace kvelmor::lyrics
