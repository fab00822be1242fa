// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace kvelmor;
using namespace std::string_literals;

TEST(Encoding, DecodesByByteOrderMarkThenUtf8ThenCp932) {
    struct Case {
        std::string bytes;
        TextEncoding enc;
        std::string text;
        const char* why;
    };
    const Case cases[] = {
        {"\xFF\xFE" "A\0\x42\x30"s, TextEncoding::Utf16LE, "Aあ", "UTF-16LE mark"},
        {"\xFE\xFF\0A\x30\x42"s, TextEncoding::Utf16BE, "Aあ", "UTF-16BE mark"},
        {"\xEF\xBB\xBF" "あ", TextEncoding::Utf8Bom, "あ", "UTF-8 mark is dropped"},
        {"あいう", TextEncoding::Utf8, "あいう", "valid UTF-8 throughout"},
        {"\x82\xA0\x8A\xBF", TextEncoding::Cp932, "あ漢", "Shift-JIS bytes"},
        {"\x81\x60", TextEncoding::Cp932, "～", "CP932 wave dash is the full-width tilde"},
        {"\x81\x7C", TextEncoding::Cp932, "－", "CP932 minus is the full-width hyphen-minus"},
        {"\x83\x89\x81\x5B[00:01:00]", TextEncoding::Cp932, "ラー[00:01:00]", "the long vowel 81 5B before a tag"},
        {"", TextEncoding::Utf8, "", "empty file"},
    };
    for (const auto& c : cases) {
        auto d = decodeText(c.bytes);
        EXPECT_EQ(d.encoding, c.enc) << c.why;
        EXPECT_EQ(d.utf8, c.text) << c.why;
        EXPECT_TRUE(d.badLines.empty()) << c.why;
    }
}

TEST(Encoding, UndecodableBytesAreReplacedAndTheirLinesNamed) {
    // Line 2 ends in a lead byte without its trail byte; line 4 has an invalid byte.
    std::string bytes = "\x82\xA0\r\nab\x82\r\nok\rx\xFF y\n";
    auto d = decodeText(bytes);
    EXPECT_EQ(d.encoding, TextEncoding::Cp932);
    EXPECT_EQ(d.badLines, (std::vector<int>{2, 4}));
    EXPECT_NE(d.utf8.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_NE(d.utf8.find("ok"), std::string::npos);  // nothing after a bad byte is lost

    // A lead byte without its trail byte before a time tag never takes its "[".
    d = decodeText("\x82\xA0[00:01:00]\x82\xA0\x82[00:02:00]");
    EXPECT_EQ(d.encoding, TextEncoding::Cp932);
    EXPECT_EQ(d.utf8, "あ[00:01:00]あ\xEF\xBF\xBD[00:02:00]");
    EXPECT_EQ(d.badLines, (std::vector<int>{1}));

    // UTF-8 after its mark: a five-byte form, an overlong form and a
    // surrogate are no UTF-8, each byte replaced.
    d = decodeText("\xEF\xBB\xBF\xE3\x81\x82\n\xF8\x97\x97\x97\x97" "a\xC0\x80\xED\xA0\x80\n");
    EXPECT_EQ(d.encoding, TextEncoding::Utf8Bom);
    EXPECT_TRUE(isValidUtf8(d.utf8));
    EXPECT_EQ(d.utf8.find("a\xEF\xBF\xBD"), 19u);  // after five replaced bytes
    EXPECT_EQ(d.badLines, (std::vector<int>{2}));
}

TEST(Encoding, Utf16BadSurrogateIsReported) {
    std::string bytes("\xFF\xFE" "a\0\n\0\x00\xD8" "b\0", 10);  // lone high surrogate on line 2
    auto d = decodeText(bytes);
    EXPECT_EQ(d.badLines, (std::vector<int>{2}));
}

TEST(Encoding, Cp932RoundTripAndCharactersItCannotHold) {
    auto bytes = encodeCp932("漢字カナ～");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(decodeText(*bytes).utf8, "漢字カナ～");
    EXPECT_FALSE(encodeCp932("歌😀").has_value());
    EXPECT_EQ(charsOutsideCp932("a😀b🎵"), (std::vector<std::string>{"😀", "🎵"}));
    // iconv would write the wave dash as the full-width tilde; that is not the same text.
    EXPECT_FALSE(encodeCp932("〜").has_value());
    EXPECT_EQ(charsOutsideCp932("～〜"), (std::vector<std::string>{"〜"}));
}

TEST(Encoding, Utf16leWithSurrogatePairs) {
    std::string out = encodeUtf16le("a😀", true);
    EXPECT_EQ(out, std::string("\xFF\xFE" "a\0\x3D\xD8\x00\xDE", 8));
    EXPECT_EQ(decodeText(out).utf8, "a😀");
}

// ASCII runs are copied several bytes at a time; whatever their lengths and
// wherever the other characters fall, the bytes must be those of each code
// point as toU32 reads it.
TEST(Encoding, Utf16leOfMixedTextsIsTheCodePointsOneByOne) {
    const std::vector<std::string> pieces{"a", "{\\K12}", "Dialogue: 0,0:00:01.00", "あ", "漢字", "😀", "\xE3\x81",
                                          "\xFF", "\r\n", "ｱ", "0123456789abcdef"};
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int n = static_cast<int>(rng() % 12); n > 0; --n) text += pieces[rng() % pieces.size()];
        std::string expected = "\xFF\xFE";
        for (char32_t c : toU32(text)) {
            auto put = [&expected](uint32_t u) {
                expected += static_cast<char>(u & 0xFF);
                expected += static_cast<char>(u >> 8);
            };
            if (c >= 0x10000) {
                put(0xD800 + ((c - 0x10000) >> 10));
                put(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                put(c);
            }
        }
        ASSERT_EQ(encodeUtf16le(text, true), expected) << text;
    }
}

TEST(Encoding, SplitLinesAtCrLfLfAndCr) {
    auto lines = splitLines("a\r\nb\nc\rd\r\n\r\ne");
    std::vector<std::string> got(lines.begin(), lines.end());
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(splitLines("x\n").size(), 1u);  // a final line end does not start a line
}

TEST(Encoding, Utf8Validation) {
    EXPECT_TRUE(isValidUtf8("漢字"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(isValidUtf8("\xE6\xBC"));      // cut off
}

TEST(Encoding, Utf8CutOffInsideItsLastCharacterStaysUtf8) {
    std::string bytes = "桜の道\n春の風";
    bytes.pop_back();  // cut inside the last character
    auto d = decodeText(bytes);
    EXPECT_EQ(d.encoding, TextEncoding::Utf8);
    EXPECT_EQ(d.utf8.substr(0, 10), "桜の道\n");
    EXPECT_EQ(d.badLines, (std::vector<int>{2}));
}

TEST(Encoding, DamagedUtf8AndUtf16WithoutItsMark) {
    const std::string text = "[00:01:00]桜の道[00:02:00]\r\n[00:03:00]春の風[00:04:00]\r\n";
    std::string damaged = text;
    damaged.insert(damaged.find("\n") + 1, "\x81");  // a stray byte at the start of line 2
    DecodedText d = decodeText(damaged);
    EXPECT_EQ(d.encoding, TextEncoding::Utf8);
    EXPECT_EQ(d.utf8, text);  // the bad byte left out, nothing else changed
    EXPECT_EQ(d.badLines, std::vector<int>{2});
    EXPECT_TRUE(d.badBytesLeftOut);

    // CP932 text with a stray byte stays CP932: its double bytes are no UTF-8.
    std::string cp932 = *encodeCp932(text) + "\x80";
    EXPECT_EQ(decodeText(cp932).encoding, TextEncoding::Cp932);

    std::string le = encodeUtf16le(text, false), be = le;
    for (size_t i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
    for (const auto& [bytes, enc] : {std::pair{le, TextEncoding::Utf16LE}, std::pair{be, TextEncoding::Utf16BE}}) {
        DecodedText u = decodeText(bytes);
        EXPECT_EQ(u.encoding, enc);
        EXPECT_TRUE(u.withoutBom);
        EXPECT_EQ(u.utf8, text);
    }
}

// Japanese CP932 text with a damaged byte is CP932, not ASCII with stray
// bytes: read as UTF-8 the damage would take the valid characters with it.
TEST(Encoding, Cp932WithADamagedByteKeepsItsCharacters) {
    struct Case {
        std::string bytes;
        std::string text;
        std::string badBytes;
        const char* why;
    };
    const Case cases[] = {
        {"[default]\r\nfontName=IPA\x82\xA0\x82\r\n", "[default]\r\nfontName=IPAあ\xEF\xBF\xBD\r\n", "\x82",
         "a lead byte without its trail byte after あ, the rest ASCII"},
        {"k=\x82\xA0\x80\x82\xA2\n", "k=あ\xEF\xBF\xBDい\n", "\x80", "an invalid byte between two characters"},
        {"[\x8F\x74]\nk=\xFF\x82\xA0\n", "[春]\nk=\xEF\xBF\xBDあ\n", "\xFF", "beside a line of whole CP932"},
    };
    for (const auto& c : cases) {
        const DecodedText d = decodeText(c.bytes);
        EXPECT_EQ(d.encoding, TextEncoding::Cp932) << c.why;
        EXPECT_EQ(d.utf8, c.text) << c.why;
        EXPECT_EQ(d.badBytes, c.badBytes) << c.why;
        EXPECT_FALSE(d.badBytesLeftOut) << c.why;
    }
    // ASCII with one stray byte decodes no character either way: still UTF-8.
    EXPECT_EQ(decodeText("key=caf\xE9\n").encoding, TextEncoding::Utf8);
}

// Text written back in the encoding it was read in is the same bytes,
// undecodable bytes of CP932 included; a text with other characters is not.
TEST(Encoding, EncodeLikeWritesTheEncodingTheTextWasReadIn) {
    const std::string text = "[00:01:00]桜の道[00:02:00]\r\n";
    std::string be = encodeUtf16le(text, true);
    for (size_t i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
    struct Case {
        std::string bytes;
        const char* why;
    };
    const Case cases[] = {
        {text, "UTF-8 without its mark"},
        {"\xEF\xBB\xBF" + text, "UTF-8 with its mark"},
        {encodeUtf16le(text, true), "UTF-16LE with its mark"},
        {encodeUtf16le(text, false), "UTF-16LE without its mark"},
        {be, "UTF-16BE with its mark"},
        {*encodeCp932(text), "CP932"},
        {*encodeCp932(text) + "\x82\r\n\x80\x82\xA0", "CP932 with two bytes that do not decode"},
    };
    for (const auto& c : cases) {
        const DecodedText d = decodeText(c.bytes);
        EXPECT_EQ(encodeLike(d.utf8, d), c.bytes) << c.why;
    }
    const DecodedText cp932 = decodeText(*encodeCp932(text) + "\x80");
    EXPECT_FALSE(encodeLike(cp932.utf8 + "😀", cp932).has_value()) << "no CP932 form";
    EXPECT_FALSE(encodeLike(cp932.utf8 + "\xEF\xBF\xBD", cp932).has_value()) << "a U+FFFD with no byte";
    EXPECT_FALSE(encodeCp932Keeping("a", "\x80").has_value()) << "a byte with no U+FFFD";
    EXPECT_EQ(encodeLike("歌😀", decodeText("\xEF\xBB\xBF" "a")), "\xEF\xBB\xBF" "歌😀");
}
