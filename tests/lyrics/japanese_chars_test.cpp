// SPDX-License-Identifier: GPL-3.0-or-later
#include "lyrics/japanese_chars.h"

#include <gtest/gtest.h>

#include "common/encoding.h"
#include "lyrics/segmentation.h"

using namespace kvelmor;
using namespace kvelmor::lyrics;

namespace {

std::string half(std::string_view utf8) { return toUtf8(toHalfWidth(toU32(utf8))); }
std::string full(std::string_view utf8) { return toUtf8(toFullWidth(toU32(utf8))); }
std::string kata(std::string_view utf8) { return toUtf8(hiraganaToKatakana(toU32(utf8))); }

// Every character of the text, each with its class.
void expectClass(std::u32string_view chars, int expected, const char* what) {
    for (char32_t c : chars)
        EXPECT_EQ(charClass(c), expected) << what << ": " << toUtf8(c) << " U+" << std::hex
                                          << static_cast<uint32_t>(c);
}

std::u32string range(char32_t first, char32_t last) {
    std::u32string s;
    for (char32_t c = first; c <= last; ++c) s += c;
    return s;
}

std::u32string without(std::u32string s, std::u32string_view drop) {
    std::u32string out;
    for (char32_t c : s)
        if (drop.find(c) == std::u32string_view::npos) out += c;
    return out;
}

}  // namespace

TEST(JapaneseChars, HiraganaToKatakana) {
    EXPECT_EQ(kata("あいうえおがぱぁっゃをん"), "アイウエオガパァッャヲン");
    EXPECT_EQ(kata("ゔゕゖゝゞ"), "ヴヵヶヽヾ");
    EXPECT_EQ(kata("アカ漢字ＡA　ー"), "アカ漢字ＡA　ー");  // everything else unchanged
    for (char32_t c = 0x3041; c <= 0x3096; ++c) EXPECT_EQ(hiraganaToKatakana(c), c + 0x60);
}

TEST(JapaneseChars, KatakanaToHalfWidth) {
    EXPECT_EQ(half("アイウエオ"), "ｱｲｳｴｵ");
    EXPECT_EQ(half("ァィゥェォャュョッヲン"), "ｧｨｩｪｫｬｭｮｯｦﾝ");
    EXPECT_EQ(half("ガギグゲゴザジズゼゾダヂヅデド"), "ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞ");
    EXPECT_EQ(half("バビブベボパピプペポヴ"), "ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟｳﾞ");
    EXPECT_EQ(half("ー゛゜"), "ｰﾞﾟ");
    // Katakana without a half-width form stay full width.
    EXPECT_EQ(half("ヮヰヱヵヶヽヾ"), "ヮヰヱヵヶヽヾ");
}

TEST(JapaneseChars, PunctuationSpaceAndAsciiToHalfWidth) {
    EXPECT_EQ(half("。「」、・"), "｡｢｣､･");
    EXPECT_EQ(half("　"), " ");
    EXPECT_EQ(half("ＡＢＣｘｙｚ０１９！？（）［］｛｝～＠＿"), "ABCxyz019!?()[]{}~@_");
    for (char32_t c = 0xFF01; c <= 0xFF5E; ++c)
        EXPECT_EQ(toHalfWidth(std::u32string(1, c)), std::u32string(1, c - 0xFF01 + 0x21));
    // No half-width form: hiragana, kanji, other brackets and symbols.
    EXPECT_EQ(half("あが漢字『』【】♪々"), "あが漢字『』【】♪々");
}

TEST(JapaneseChars, HalfWidthToFullWidth) {
    EXPECT_EQ(full("ｱｲｳｴｵｧｯｰ｡｢｣､･"), "アイウエオァッー。「」、・");
    EXPECT_EQ(full("ｶﾞﾊﾟﾋﾞｳﾞ"), "ガパビヴ");   // voiced marks combine
    EXPECT_EQ(full("ｱﾞﾏﾟ"), "ア゛マ゜");        // ... only where a voiced form exists
    EXPECT_EQ(full("ﾞﾟ"), "゛゜");
    EXPECT_EQ(full("Az09 !~{|}"), "Ａｚ０９　！～｛｜｝");
    EXPECT_EQ(full("あ漢"), "あ漢");
}

TEST(JapaneseChars, ConversionsRoundTrip) {
    // Every half-width katakana and ASCII character comes back from full width.
    for (char32_t c = 0xFF61; c <= 0xFF9F; ++c)
        EXPECT_EQ(toHalfWidth(toFullWidth(std::u32string(1, c))), std::u32string(1, c)) << std::hex << static_cast<uint32_t>(c);
    for (char32_t c = 0x20; c <= 0x7E; ++c)
        EXPECT_EQ(toHalfWidth(toFullWidth(std::u32string(1, c))), std::u32string(1, c)) << std::hex << static_cast<uint32_t>(c);
    // Every katakana ァ..ヴ that has a half-width form comes back from half width.
    for (char32_t c : without(range(U'ァ', U'ヴ'), U"ヮヰヱ"))
        EXPECT_EQ(toFullWidth(toHalfWidth(std::u32string(1, c))), std::u32string(1, c)) << toUtf8(c);
}

TEST(JapaneseChars, Cp932Codes) {
    EXPECT_EQ(cp932Code(U'A'), 0x41);
    EXPECT_EQ(cp932Code(U' '), 0x20);
    EXPECT_EQ(cp932Code(U'ｱ'), 0xB1);
    EXPECT_EQ(cp932Code(U'ﾟ'), 0xDF);
    EXPECT_EQ(cp932Code(U'　'), 0x8140);
    EXPECT_EQ(cp932Code(U'あ'), 0x82A0);
    EXPECT_EQ(cp932Code(U'ア'), 0x8341);
    EXPECT_EQ(cp932Code(U'ヶ'), 0x8396);
    EXPECT_EQ(cp932Code(U'ー'), 0x815B);
    EXPECT_EQ(cp932Code(U'①'), 0x8740);
    EXPECT_EQ(cp932Code(U'漢'), 0x8ABF);
    EXPECT_EQ(cp932Code(U'～'), 0x8160);
    EXPECT_FALSE(cp932Code(U'é').has_value());
    EXPECT_FALSE(cp932Code(U'ゔ').has_value());
    EXPECT_FALSE(cp932Code(U'😀').has_value());
}

// Class 0: whatever converts to " ".
TEST(JapaneseChars, ClassSpace) {
    expectClass(U" 　", kClassSpace, "space");
}

// Class 1: single-byte codes 65..122 after the conversions.
TEST(JapaneseChars, ClassLatin) {
    expectClass(range(U'A', U'Z'), kClassLatin, "upper case");
    expectClass(range(U'a', U'z'), kClassLatin, "lower case");
    expectClass(U"[\\]^_`", kClassLatin, "between the cases");
    expectClass(range(U'Ａ', U'Ｚ'), kClassLatin, "full-width upper case");
    expectClass(range(U'ａ', U'ｚ'), kClassLatin, "full-width lower case");
    expectClass(U"［＼］＾＿｀", kClassLatin, "full width, between the cases");
}

// Class 2: above 122, and not the character itself when made full width again.
TEST(JapaneseChars, ClassHiragana) {
    // Hiragana convert to half-width katakana, which come back as katakana.
    // ゎゐゑゕゖ become katakana without a half-width form (symbols, below).
    expectClass(without(range(U'ぁ', U'ゔ'), U"ゎゐゑ"), kClassHiragana, "hiragana");
    expectClass(range(0xFF61, 0xFF9F), kClassHiragana, "half-width katakana");
    expectClass(U"{|}~", kClassHiragana, "ASCII braces, bar, tilde");
}

// Class 3: above 122 and the character itself when made full width again.
TEST(JapaneseChars, ClassKatakana) {
    expectClass(without(range(U'ァ', U'ヴ'), U"ヮヰヱ"), kClassKatakana, "katakana with and without voiced marks");
    expectClass(U"ー。「」、・゛゜", kClassKatakana, "long vowel, kana punctuation and marks");
    expectClass(U"｛｜｝～", kClassKatakana, "full-width braces, bar, tilde");
}

// Class 4: two-byte codes outside 0x8040..0x879F.
TEST(JapaneseChars, ClassKanji) {
    expectClass(U"漢字歌詞桜道亜腕熙", kClassKanji, "kanji");
    expectClass(U"髙﨑", kClassKanji, "kanji of the vendor extensions");
}

// Class 5: two-byte codes 0x8040..0x879F, single-byte codes up to 64, and
// characters CP932 cannot hold (read as "?").
TEST(JapaneseChars, ClassSymbol) {
    expectClass(range(U'0', U'9'), kClassSymbol, "digits");
    expectClass(U"!\"#$%&'()*+,-./:;<=>?@", kClassSymbol, "ASCII punctuation");
    expectClass(range(U'０', U'９'), kClassSymbol, "full-width digits");
    expectClass(U"！＂＃＄％＆＇（）＊＋，－．／：；＜＝＞？＠", kClassSymbol, "full-width punctuation");
    expectClass(U"『』【】〈〉《》〔〕♪☆★○●◎◇※〒→←々〆〇ゝゞヽヾ", kClassSymbol, "Japanese brackets and symbols");
    expectClass(U"ヮヰヱヵヶゎゐゑゕゖ", kClassSymbol, "kana without a half-width form");
    expectClass(U"①⑳Ⅰ㈱αДü", kClassSymbol, "NEC specials, Greek and Cyrillic");
    expectClass(U"é😀\t", kClassSymbol, "outside CP932, controls");
}

TEST(JapaneseChars, ClassOfSlotText) {
    EXPECT_EQ(charClass(std::string_view("あ")), kClassHiragana);
    EXPECT_EQ(charClass(std::string_view("　")), kClassSpace);
    EXPECT_EQ(charClass(std::string_view("")), kClassSymbol);
}
