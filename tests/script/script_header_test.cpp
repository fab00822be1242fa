// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/script_header.h"

#include <gtest/gtest.h>

#include "measure/fixed_measurer.h"
#include "script/script_writer.h"
#include "script_test_support.h"
#include "settings/app_state.h"

using namespace kvelmor;
using namespace kvelmor::script;
using namespace kvelmor::script::testing;

namespace {

TEST(ScriptHeaderColour, ValueInDecimalAndHexForm) {
    struct Case {
        uint32_t colour;
        int32_t level;
        const char* decimal;
        const char* hex;
        const char* why;
    };
    const Case cases[] = {
        {16777215, 0, "16777215", "&HFFFFFF", "white, opaque"},
        {0, 10, "-16777216", "&HFF000000", "black, fully transparent: negative"},
        {0, 0, "0", "&H0", "zero has no digits to drop"},
        {16777215, 10, "-1", "&HFFFFFFFF", "every bit set"},
        {0, 5, "-2147483648", "&H80000000", "5 gives alpha 128 (127.5 to even), the sign bit"},
        {65535, 1, "436273151", "&H1A00FFFF", "1 gives alpha 26"},
        {0, 3, "1275068416", "&H4C000000", "3 gives 76.5, to even 76"},
        {0, 12, "-16777216", "&HFF000000", "a level above 10 is taken as 10"},
        {0x1ABCDEF, 0, "11259375", "&HABCDEF", "bits above the 24-bit colour are dropped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        int32_t v = colourValue(c.colour, c.level);
        EXPECT_EQ(colourText(v, false), c.decimal);
        EXPECT_EQ(colourText(v, true), c.hex);
    }
    EXPECT_EQ(colourText(transparentColourValue(0x00FF00), true), "&HFF00FF00");
    EXPECT_EQ(transparentColourValue(0), -16777216);
}

TEST(ScriptHeader, ScriptPathReplacesTheExtension) {
    struct Case {
        const char* lyrics;
        const char* script;
        const char* why;
    };
    const Case cases[] = {
        {"/m/song.txt", "/m/song.ass", "text lyrics"},
        {"/m/song.kra", "/m/song.ass", "karaoke tag file"},
        {"/m/a.b.txt", "/m/a.b.ass", "only the last extension goes"},
        {"/m.d/song", "/m.d/song.ass", "a dot in a folder is not an extension"},
        {"/m/song.", "/m/song.ass", "an empty extension"},
    };
    for (const auto& c : cases) EXPECT_EQ(scriptPathFor(c.lyrics), c.script) << c.why;
}

TEST(ScriptHeader, VerticalScalePrefixAndFadeTag) {
    struct ScaleCase {
        const char* mojiScaleY;
        const char* prefix;
        const char* why;
    };
    const ScaleCase scales[] = {
        {"1", "", "exactly 1: no prefix"},
        {"1.5", "{\\fscy150}", "percent"},
        {"1.15", "{\\fscy115}", "1.15 × 100 is 114.99999999999999 in binary; written as 115"},
        {"0.875", "{\\fscy87.5}", "a fraction of a percent stays"},
    };
    for (const auto& c : scales) {
        settings::ConversionSettings s;
        s.setText("mojiScaleY", c.mojiScaleY);
        EXPECT_EQ(verticalScalePrefix(settings::ConversionOptions(s)), c.prefix) << c.why;
    }

    struct FadeCase {
        const char* inBox;
        const char* in;
        const char* outBox;
        const char* out;
        const char* tag;
        const char* why;
    };
    const FadeCase fades[] = {
        {"0", "800", "0", "200", "", "both boxes clear"},
        {"1", "0", "1", "0", "", "both ticked but 0"},
        {"0", "800", "1", "300", "{\\fad(0,300)}", "fade-out only"},
        {"1", "800", "1", "200", "{\\fad(800,200)}", "both"},
    };
    for (const auto& c : fades) {
        settings::ConversionSettings s;
        s.setText("fadeInCheck", c.inBox);
        s.setText("FadeIn", c.in);
        s.setText("fadeOutCheck", c.outBox);
        s.setText("FadeOut", c.out);
        EXPECT_EQ(fadeTag(settings::ConversionOptions(s)), c.tag) << c.why;
    }
}

TEST(ScriptInfo, LinesInOrder) {
    settings::ConversionSettings s;
    s.setText("dispWidth", "1280");
    s.setText("dispHeight", "720");
    lyrics::Song song;
    song.songInfo.title = "夜の歌";
    song.songInfo.artist = "Artist A";
    song.songInfo.lyrics = "Writer W";
    song.songInfo.compose = "Composer C";
    song.songInfo.album = "Album";
    ScriptHeader h;
    refreshScriptInfo(h, song, settings::ConversionOptions(s), "default");
    h.info.OriginalScript = "karaoke-maker";  // the login name differs per machine

    std::string out;
    appendScriptInfo(out, h.info, song.songInfo);
    EXPECT_EQ(joinLines(scriptLines(out)), R"([Script Info]
; This is a Sub Station Alpha v4+ script.
; This script made by Kvelmor 2.0.19
; For Kvelmor info and downloads,
; go to https://kvelmor.org
; [Song Info]
; Artist: Artist A
; Lyrics: Writer W
; Compose: Composer C
; Arrange: 
; Year: 
; Album: Album
Title: 夜の歌
Original Script: karaoke-maker
ScriptType: v4.00+
PlayResX: 1280
PlayResY: 720
Timer: 100.0000
WrapStyle: 2

)");

    song.songInfo.title.clear();
    refreshScriptInfo(h, song, settings::ConversionOptions(s), "my preset");
    EXPECT_EQ(h.info.Title, "my preset") << "no title: the preset's name";
    EXPECT_EQ(h.info.OriginalScript, currentUserName());
}

struct StylesFixture : ::testing::Test {
    settings::ConversionSettings s;
    lyrics::Song song;
    ScriptHeader header;

    StylesFixture() {
        s.setText("tagFontPixcel", "30");
        s.setText("Label19", "12");
        s.setText("titleFontPixcel", "14");
        s.setText("titleFontPixcel1", "50");
        s.setText("titleFontPixcel2", "20");
    }
    void addLine(const std::string& kanjiStyle) {
        auto& l = song.workLines.appendLine();
        l = builtLine(0, 100);
        l.kanjiStyle = kanjiStyle;
    }
    std::vector<StyleRecord> styles() {
        refreshStyles(header, settings::ConversionOptions(s));
        return scriptStyles(header, song, settings::ConversionOptions(s), CreditStyleSource{});
    }
    std::vector<std::string> names() {
        std::vector<std::string> n;
        for (const auto& r : styles()) n.push_back(r.Name);
        return n;
    }
    std::string line(const std::string& name) {
        for (const auto& r : styles())
            if (r.Name == name) return styleLine(r, s.isOn("ColorHex"));
        return "<no style " + name + ">";
    }
};

TEST_F(StylesFixture, WithDefaultsOnlyTheLyricsStyle) {
    std::string out;
    appendStyles(out, styles(), settings::ConversionOptions(s));
    EXPECT_EQ(joinLines(scriptLines(out)), R"([V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Kanji1,MS UI Gothic,30,65535,16711680,0,-2147483648,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128

)");
    s.setText("ColorHex", "1");
    EXPECT_EQ(line("Kanji1"),
              "Style: Kanji1,MS UI Gothic,30,&HFFFF,&HFF0000,&H0,&H80000000,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128");
}

TEST_F(StylesFixture, RowsWrittenOnlyWhenUsed) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> settings;
        std::vector<std::string> lineStyles;
        int16_t rubyState;
        std::vector<std::string> expected;
        const char* why;
    };
    const Case cases[] = {
        {{}, {"Kanji1"}, 1, {"Kanji1"}, "the lyrics style is always there"},
        {{{"songInfoPreCheck", "1"}}, {}, 1, {"songInfo1", "songInfo2", "Kanji1"}, "titles before the song"},
        {{{"songInfoCheck", "1"}}, {}, 1, {"songInfo", "Kanji1"}, "song information at the top"},
        {{{"menuCreditOn", "1"}}, {}, 1, {"songInfo3", "Kanji1"}, "credit"},
        {{}, {"Kanji1", "substyle1", "substyle1"}, 1, {"Kanji1", "substyle1"}, "once however many lines use it"},
        {{{"wipe", "5"}}, {}, 1, {"Kanji1", "substyle1"}, "wipe emphasis draws its second layer in substyle1"},
        {{}, {"substyle2"}, 1, {"Kanji1", "substyle2"}, "substyle2 in use"},
        {{}, {}, 2, {"Kanji1", "Ruby1"}, "ruby assigned"},
        {{}, {"substyle1", "substyle2"}, 1, {"Kanji1", "substyle1", "substyle2"}, "no ruby styles without ruby"},
        {{{"songInfoPreCheck", "1"}, {"songInfoCheck", "1"}, {"menuCreditOn", "1"}, {"StyleNumber", "3"}},
         {"substyle2", "substyle1"},
         2,
         {"songInfo1", "songInfo2", "songInfo", "songInfo3", "Kanji3", "substyle1", "substyle2", "Ruby3",
          "substyleRuby1", "substyleRuby2"},
         "every row, in order"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        s = settings::ConversionSettings();
        song = lyrics::Song();
        for (const auto& [name, value] : c.settings) s.setText(name, value);
        for (const auto& st : c.lineStyles) addLine(st);
        song.rubyState = c.rubyState;
        EXPECT_EQ(names(), c.expected);
    }
}

TEST_F(StylesFixture, SubStylesTakeTheirColourSet) {
    addLine("substyle1");
    addLine("substyle2");
    song.rubyState = 2;
    s.setText("secondPrimaryColor", "255");
    s.setText("secondSecondaryColor", "65280");
    s.setText("secondTeritaryColor", "16711680");
    s.setText("secondShadowColor", "1");
    s.setText("thirdPrimaryColor", "2");
    s.setText("thirdSecondaryColor", "3");
    s.setText("thirdTeritaryColor", "4");
    s.setText("thirdShadowColor", "5");
    s.setText("PrimaryAlpha", "10");
    s.setText("Command6", "Ruby Face");
    s.setText("ColorHex", "1");

    // With the lyrics style's transparency levels (PrimaryAlpha 10, backAlpha 5).
    EXPECT_EQ(line("substyle1"),
              "Style: substyle1,MS UI Gothic,30,&HFF0000FF,&HFF00,&HFF0000,&H80000001,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128");
    EXPECT_EQ(line("substyle2"),
              "Style: substyle2,MS UI Gothic,30,&HFF000002,&H3,&H4,&H80000005,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128");

    // Wipe emphasis: the fill opaque, everything else fully transparent.
    s.setText("wipe", "5");
    EXPECT_EQ(line("substyle1"),
              "Style: substyle1,MS UI Gothic,30,&HFF,&HFF00FF00,&HFFFF0000,&HFF000001,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128");
    EXPECT_EQ(line("substyleRuby1"),
              "Style: substyleRuby1,Ruby Face,12,&HFF,&HFF00FF00,&HFFFF0000,&HFF000001,0,0,0,0,100,100,0,0,1,3,3,1,30,30,50,128");
}

TEST_F(StylesFixture, SongInformationLines) {
    s.setText("songInfoPreCheck", "1");
    s.setText("songInfoCheck", "1");
    s.setText("Command8", "Title Face");
    s.setText("Command8.Italic", "1");
    s.setText("titlePrimaryColor", "255");
    s.setText("titleTeritaryColor", "65280");
    s.setText("titleShadowColor", "16711680");
    s.setText("titleTeritaryAlpha", "10");
    s.setText("outLine", "4");
    s.setText("shadowDepth", "2");

    EXPECT_EQ(line("songInfo1"), "Style: songInfo1,Title Face,50,255,0,-16711936,-2130771968,0,-1,0,0,100,100,0,0,1,4,2,1,30,30,50,128")
        << "keeps the lyrics style's outline and shadow";
    EXPECT_EQ(line("songInfo"), "Style: songInfo,Title Face,14,255,0,-16711936,-2130771968,0,-1,0,0,100,100,0,0,1,1,1,1,30,30,50,128")
        << "outline 1 and shadow 1";
    s.setText("ColorHex", "1");
    EXPECT_EQ(line("songInfo").substr(0, 39), "Style: songInfo,Title Face,14,&HFF,&H0,") << "SecondaryColour &H0";
}

TEST_F(StylesFixture, RefreshReadsFontBorderMarginsAndCharacterSet) {
    song.rubyState = 2;
    s.setFont("Command2", {"Main Face", true, true, true, true});
    s.setFont("Command6", {"Ruby Face", false, true, false, false});
    s.selectMember("OptionBorder2");
    s.setText("MarginL", "-5");
    s.setText("MarginR", "12");
    s.setText("MarginV", "7");
    s.setText("Combo1", "1");
    s.setText("StyleNumber", "2");
    EXPECT_EQ(line("Kanji2"), "Style: Kanji2,Main Face,30,65535,16711680,0,-2147483648,-1,-1,-1,-1,100,100,0,0,3,3,3,1,-5,12,7,0");
    EXPECT_EQ(line("Ruby2"), "Style: Ruby2,Ruby Face,12,65535,16711680,0,-2147483648,0,-1,0,0,100,100,0,0,3,3,3,1,-5,12,7,0");
    s.setText("Combo1", "7");
    EXPECT_EQ(styles().front().Encoding, 128) << "no valid entry: the first entry";
}

TEST(Styles, CreditLookFromTheCreditWindow) {
    settings::CreditSettings cs;
    cs.setText("Command1", "Credit Face");
    cs.setText("Command1.Bold", "1");
    cs.setText("CreditFontSize", "20");
    cs.setText("PrimaryColor", "255");
    cs.setText("BackAplha", "3");
    cs.setText("Combo1", "2");
    measure::FixedMeasurer m({10, 20, 27});
    CreditStyleSource c = creditStyleSource(settings::CreditOptions(cs), m);
    EXPECT_EQ(c.pixelsText, "27") << "the pixel height of the credit font at its size";
    settings::ConversionSettings s;
    s.setText("menuCreditOn", "1");
    EXPECT_EQ(styleLine(scriptStyles(ScriptHeader{}, lyrics::Song{}, settings::ConversionOptions(s), c).front(), false),
              "Style: songInfo3,Credit Face,27,255,0,0,1275068416,-1,0,0,0,100,100,0,0,1,1,1,1,0,0,0,136");
    cs.setText("CreditFontSize", "abc");
    EXPECT_EQ(creditStyleSource(settings::CreditOptions(cs), m).pixelsText, "0");
}

}  // namespace

// A renderer sizes a font by its cell; the written Fontsize must carry the
// cell the widths were measured in, not its rounded pixel height.
TEST(StyleFontsize, CarriesTheUnroundedCellOfTheMeasuredFont) {
    struct CellMeasurer : measure::TextMeasurer {
        double exact = 51.6328125;  // 48 px em of a face whose cell is 2203/2048 em
        int32_t advanceWidth(const std::string&, int32_t, std::string_view) override { return 0; }
        int32_t cellHeight(const std::string&, int32_t) override { return 51; }
        double exactCellHeight(const std::string&, int32_t) override { return exact; }
    } m;
    StyleRecord r;
    r.Fontsize = "51";
    EXPECT_EQ(renderedFontSize(r, m), "51");  // no font to measure: as held
    r.sizeFace = "MS UI Gothic";
    r.sizePoints = 36;
    EXPECT_EQ(renderedFontSize(r, m), "51.633");
    r.Fontsize = "102";  // a pixel height left from another size scales alike
    EXPECT_EQ(renderedFontSize(r, m), "103.266");
    m.exact = 51;
    r.Fontsize = "51";
    EXPECT_EQ(renderedFontSize(r, m), "51");  // an exact cell needs no fraction
}
