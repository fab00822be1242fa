// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/text_measure.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "measure/fixed_measurer.h"
#include "measure/freetype_measurer.h"

namespace kvelmor::measure {
namespace {

// ---- widths and heights through the measurer interface (no fonts) ----

TEST(TextMeasure, WidthScalesAndRoundsHalfToEven) {
    struct Case {
        int32_t advance;  // pixels the measurer gives
        double scale;
        int32_t expected;
        const char* why;
    };
    const Case cases[] = {
        {21, 1.5, 32, "31.5 rounds to the even 32"},
        {19, 1.5, 28, "28.5 rounds to the even 28"},
        {21, 1.0, 21, "scale 1 keeps the measured width"},
        {5, 0.5, 2, "2.5 rounds down to 2"},
        {7, 0.5, 4, "3.5 rounds up to 4"},
        {20, 1.26, 25, "25.2 is below the half"},
        {20, 1.28, 26, "25.6 is above the half"},
        {20, 0.0, 0, "scale 0 gives nothing"},
    };
    for (const Case& c : cases) {
        FixedMeasurer m;
        m.setWidth(U'x', c.advance);
        EXPECT_EQ(textWidth(m, "Any", 36, "x", c.scale), c.expected) << c.why;
    }
}

TEST(TextMeasure, WidthScalesTheSumNotEachCharacter) {
    // 2 x 21 x 1.5 = 63; rounding each 31.5 first would give 64.
    FixedMeasurer m;
    m.setWidth(U'x', 21);
    EXPECT_EQ(textWidth(m, "Any", 36, "xx", 1.5), 63);
}

TEST(TextMeasure, HeightIsTheCellHeightWhateverTheText) {
    FixedMeasurer m({10, 20, 37});
    EXPECT_EQ(textHeight(m, "Any", 36, "あ"), 37);
    EXPECT_EQ(textHeight(m, "Any", 36, "a"), 37);
    EXPECT_EQ(textHeight(m, "Any", 36, ""), 37);
}

TEST(TextMeasure, EmPixelsIsPointsAt96DpiRoundedHalfToEven) {
    struct Case {
        int32_t points;
        int32_t pixels;
    };
    const Case cases[] = {
        {36, 48}, {14, 19},  // 18.67
        {10, 13},            // 13.33
        {11, 15},            // 14.67
        {12, 16}, {9, 12}, {1, 1}, {0, 0}, {-5, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(emPixels(c.points), c.pixels) << c.points << " pt";
}

// ---- the fixed measurer that layout tests rely on ----

TEST(TextMeasureFixed, ClassifiesFullWidthCharacters) {
    struct Case {
        char32_t c;
        bool wide;
        const char* why;
    };
    const Case cases[] = {
        {U'A', false, "Latin"},
        {U'\u00E9', false, "Latin-1"},
        {U'\u10FF', false, "just below Hangul Jamo"},
        {U'\u1100', true, "first Hangul Jamo"},
        {U'\u3042', true, "hiragana a"},
        {U'\u30A2', true, "katakana a"},
        {U'\u6F22', true, "ideograph"},
        {U'\uAC00', true, "Hangul syllable"},
        {U'\uFF01', true, "full-width exclamation mark"},
        {U'\uFF71', false, "half-width katakana a"},
        {U'\U00020B9F', true, "ideograph outside the BMP"},
    };
    for (const Case& c : cases) EXPECT_EQ(FixedMeasurer::isWide(c.c), c.wide) << c.why;
}

TEST(TextMeasureFixed, SumsClassWidthsAndOverrides) {
    FixedMeasurer m({11, 23, 30});
    m.setWidth("ｱ", 7);
    EXPECT_EQ(m.advanceWidth("F", 10, "a漢ｱ"), 11 + 23 + 7);
    EXPECT_EQ(m.advanceWidth("F", 10, ""), 0);
    EXPECT_EQ(m.cellHeight("F", 10), 30);
}

TEST(TextMeasureFixed, RecordsWhatWasAsked) {
    FixedMeasurer m;
    m.advanceWidth("Ruby", 18, "かな");
    m.cellHeight("Main", 36);
    const std::vector<FixedMeasurer::Request> expected = {{"Ruby", 18, "かな"}, {"Main", 36, ""}};
    EXPECT_EQ(m.requests(), expected);
}

// ---- FreeType and fontconfig ----

// Independent of the measurer: opens a font file directly and reads the
// numbers the measurer is meant to use.
class FontFile {
public:
    FontFile(const std::string& file, int index) {
        FT_Init_FreeType(&m_lib);
        if (m_lib != nullptr) FT_New_Face(m_lib, file.c_str(), index, &m_face);
    }
    ~FontFile() {
        if (m_face != nullptr) FT_Done_Face(m_face);
        if (m_lib != nullptr) FT_Done_FreeType(m_lib);
    }
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    bool ok() const { return m_face != nullptr; }

    int32_t advance(char32_t c, int32_t em) {
        FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(em));
        FT_Load_Char(m_face, c, FT_LOAD_DEFAULT);
        return static_cast<int32_t>((m_face->glyph->advance.x + 32) / 64);
    }

    int32_t winHeight(int32_t em) const {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
        if (os2 == nullptr) return -1;
        const double scale = static_cast<double>(em) / m_face->units_per_EM;
        return static_cast<int32_t>(std::nearbyint(os2->usWinAscent * scale) +
                                    std::nearbyint(os2->usWinDescent * scale));
    }

private:
    FT_Library m_lib = nullptr;
    FT_Face m_face = nullptr;
};

class TextMeasureFreeType : public ::testing::Test {
protected:
    FreeTypeMeasurer m_measurer;
};

TEST_F(TextMeasureFreeType, LoadsTheAliasesFile) {
    ASSERT_EQ(m_measurer.loadedConfigFiles().size(), 1U);
    EXPECT_EQ(m_measurer.loadedConfigFiles().front().filename(), "60-kvelmor-ms-aliases.conf");
}

TEST_F(TextMeasureFreeType, WindowsJapaneseNamesResolveToIpaFonts) {
    struct Case {
        const char* name;
        const char* family;
    };
    const Case cases[] = {
        {"MS UI Gothic", "IPAPGothic"},
        {"MS PGothic", "IPAPGothic"},
        {"MS Gothic", "IPAGothic"},
        {"IPAGothic", "IPAGothic"},
    };
    for (const Case& c : cases) {
        const auto face = m_measurer.resolveFace(c.name);
        ASSERT_TRUE(face.has_value()) << c.name;
        EXPECT_EQ(face->family, c.family) << c.name << " -> " << face->file;
    }
}

TEST_F(TextMeasureFreeType, IdeographIsOneEm) {
    // 36 pt is a 48 px em and 14 pt a 19 px one; IPA ideographs advance
    // exactly one em. Kana are one em only in the fixed-pitch face: the
    // proportional face gives them their own widths.
    EXPECT_EQ(textWidth(m_measurer, "MS UI Gothic", 36, "漢", 1.0), 48);
    EXPECT_EQ(textWidth(m_measurer, "MS UI Gothic", 14, "漢", 1.0), 19);
    EXPECT_EQ(textWidth(m_measurer, "MS Gothic", 36, "漢", 1.0), 48);
    EXPECT_EQ(textWidth(m_measurer, "MS Gothic", 36, "あ", 1.0), 48);
    EXPECT_EQ(textWidth(m_measurer, "MS UI Gothic", 36, "あ", 1.0), 44);
}

TEST_F(TextMeasureFreeType, FixedPitchAliasIsHalfEmForLatin) {
    // IPAGothic is fixed pitch: every half-width character is half an em.
    // IPAPGothic is proportional, so "i" is narrower than "W" there.
    EXPECT_EQ(m_measurer.advanceWidth("MS Gothic", 36, "i"), 24);
    EXPECT_EQ(m_measurer.advanceWidth("MS Gothic", 36, "W"), 24);
    EXPECT_LT(m_measurer.advanceWidth("MS UI Gothic", 36, "i"), m_measurer.advanceWidth("MS UI Gothic", 36, "W"));
}

TEST_F(TextMeasureFreeType, WidthIsTheSumOfCharacterAdvancesWithoutKerning) {
    // "AV", "To" and "Wa" are classic kerning pairs; none is applied.
    for (const char* text : {"AV", "To", "Wa", "漢字かな", "AVAV漢"}) {
        int32_t sum = 0;
        for (const std::string& ch : utf8Chars(text)) sum += m_measurer.advanceWidth("MS UI Gothic", 36, ch);
        EXPECT_EQ(m_measurer.advanceWidth("MS UI Gothic", 36, text), sum) << text;
    }
}

TEST_F(TextMeasureFreeType, WidthsMatchTheFontFile) {
    const auto face = m_measurer.resolveFace("MS UI Gothic");
    ASSERT_TRUE(face.has_value());
    FontFile file(face->file, face->index);
    ASSERT_TRUE(file.ok());
    for (int32_t points : {9, 11, 14, 24, 36, 72}) {
        for (char32_t c : {U'A', U'i', U'W', U'1', U' ', U'あ', U'ー', U'、'}) {
            EXPECT_EQ(m_measurer.advanceWidth("MS UI Gothic", points, toUtf8(c)), file.advance(c, emPixels(points)))
                << toUtf8(c) << " at " << points << " pt";
        }
    }
}

TEST_F(TextMeasureFreeType, CellHeightIsWindowsAscentPlusDescent) {
    const auto face = m_measurer.resolveFace("MS UI Gothic");
    ASSERT_TRUE(face.has_value());
    FontFile file(face->file, face->index);
    ASSERT_TRUE(file.ok());
    for (int32_t points : {9, 12, 14, 18, 36, 72}) {
        const int32_t height = textHeight(m_measurer, "MS UI Gothic", points, "あ");
        std::printf("MS UI Gothic (%s) cell height at %d pt: %d px\n", face->family.c_str(), points, height);
        EXPECT_EQ(height, file.winHeight(emPixels(points))) << points << " pt";
    }
    // IPAPGothic: usWinAscent 1802 and usWinDescent 401 of 2048 units per em.
    // 36 pt: 42.23 -> 42 plus 9.40 -> 9; 14 pt: 16.72 -> 17 plus 3.72 -> 4.
    EXPECT_EQ(textHeight(m_measurer, "MS UI Gothic", 36, "あ"), 51);
    EXPECT_EQ(textHeight(m_measurer, "MS UI Gothic", 14, "あ"), 21);
}

TEST_F(TextMeasureFreeType, CharactersTheFaceLacksComeFromAnotherFont) {
    // IPAPGothic has no Armenian; fontconfig offers DejaVu for it.
    const char32_t armenian = U'\u0531';
    const auto primary = m_measurer.resolveFace("MS UI Gothic");
    const auto drawing = m_measurer.faceForChar("MS UI Gothic", armenian);
    ASSERT_TRUE(primary.has_value());
    ASSERT_TRUE(drawing.has_value());
    EXPECT_NE(drawing->file, primary->file);

    FontFile file(drawing->file, drawing->index);
    ASSERT_TRUE(file.ok());
    const int32_t width = m_measurer.advanceWidth("MS UI Gothic", 36, toUtf8(armenian));
    EXPECT_GT(width, 0);
    EXPECT_EQ(width, file.advance(armenian, 48));
    // Mixed faces in one text still add up.
    EXPECT_EQ(m_measurer.advanceWidth("MS UI Gothic", 36, "漢" + toUtf8(armenian)), 48 + width);
    // A character the face has stays in the face.
    EXPECT_EQ(m_measurer.faceForChar("MS UI Gothic", U'漢')->file, primary->file);
}

TEST_F(TextMeasureFreeType, CharacterNoFontHasStillAdvances) {
    // Whatever draws it (another font, or the missing-glyph box), it takes room.
    EXPECT_GT(m_measurer.advanceWidth("MS UI Gothic", 36, "\U000F0000"), 0);  // private use plane
}

TEST_F(TextMeasureFreeType, UnknownFamilyFallsBackToSomeFont) {
    const std::string unknown = "Kvelmor No Such Family";
    EXPECT_TRUE(m_measurer.resolveFace(unknown).has_value());
    EXPECT_GT(m_measurer.advanceWidth(unknown, 36, "A"), 0);
    EXPECT_EQ(m_measurer.advanceWidth(unknown, 36, "漢"), 48);  // from a Japanese font, one em
    EXPECT_GT(m_measurer.cellHeight(unknown, 36), 0);
    EXPECT_GT(m_measurer.advanceWidth("", 36, "A"), 0);  // no family at all
}

TEST_F(TextMeasureFreeType, NothingToMeasureIsZero) {
    EXPECT_EQ(textWidth(m_measurer, "MS UI Gothic", 36, "", 1.0), 0);
    EXPECT_EQ(textWidth(m_measurer, "MS UI Gothic", 36, "", 1.5), 0);
    EXPECT_EQ(m_measurer.advanceWidth("MS UI Gothic", 0, "漢"), 0);
    EXPECT_EQ(m_measurer.cellHeight("MS UI Gothic", 0), 0);
}

TEST_F(TextMeasureFreeType, CachedAnswersEqualFreshOnes) {
    struct Case {
        const char* face;
        int32_t points;
        const char* text;
    };
    const Case cases[] = {
        {"MS UI Gothic", 36, "漢字かなAVi"},
        {"MS UI Gothic", 14, "漢字かなAVi"},  // same characters, other size
        {"MS Gothic", 14, "漢字かなAVi"},     // same size, other face
        {"MS UI Gothic", 11, "ii\u0531"},   // with a fallback character
        {"MS UI Gothic", 36, "漢字かなAVi"},  // back to the first size
        {"MS UI Gothic", 36, "Wxyz"},         // characters new to that size
    };
    FreeTypeMeasurer& shared = m_measurer;
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases) {
            FreeTypeMeasurer fresh;
            EXPECT_EQ(shared.advanceWidth(c.face, c.points, c.text), fresh.advanceWidth(c.face, c.points, c.text))
                << c.face << " " << c.points << " pt, round " << round;
            EXPECT_EQ(shared.cellHeight(c.face, c.points), fresh.cellHeight(c.face, c.points))
                << c.face << " " << c.points << " pt, round " << round;
        }
    }
}

TEST_F(TextMeasureFreeType, MissingConfigFilesAreSkipped) {
    FreeTypeMeasurer m({"/nonexistent/kvelmor/aliases.conf"});
    EXPECT_TRUE(m.loadedConfigFiles().empty());
    EXPECT_GT(m.advanceWidth("MS UI Gothic", 36, "漢"), 0);
}

TEST_F(TextMeasureFreeType, ExactCellIsTheUnroundedWindowsCell) {
    // IPAPGothic: usWinAscent 1802 + usWinDescent 401 over 2048 units, at a 48 px em.
    EXPECT_DOUBLE_EQ(m_measurer.exactCellHeight("MS UI Gothic", 36), 2203.0 * 48 / 2048);
    EXPECT_EQ(m_measurer.cellHeight("MS UI Gothic", 36), 51);  // 42 + 9, each rounded
}

}  // namespace

}  // namespace kvelmor::measure
